// Method, property and event declarations of plug-ins, read with the
// language's tokens: "Name(ByRef x As Integer, list() As String) As Boolean".
// Every type named must be a built-in type or a known class; a class name is
// looked up after replacing "DatabaseCursor" by "RecordSet" and
// "DatabaseCursorField" by "DatabaseField".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/class_records.h"
#include "runtime/object_layout.h"

namespace tess {

struct DeclaredType {
  std::string name;                         // as written
  const TypeDescriptor* builtIn = nullptr;  // null for a class
  ClassObject* cls = nullptr;
};

struct Declaration {
  std::string name;
  std::string parameters;  // the text between the parentheses
  std::vector<DeclaredType> parameterTypes;
  bool hasReturn = false;
  DeclaredType returnType;
};

// Reads `text`; false with the message to report in *error (the texts users
// see: "Invalid plugin method format: ...", "Unknown type \"T\" in plugin
// method ...", "Invalid return type: ...").
bool ParseDeclaration(std::string_view text, Declaration* out, std::string* error);

}  // namespace tess
