// The application's file types: the names a program gives kinds of files
// ("Text", "Report"), each with the extensions that mark them, declared in
// the image's settings item. FolderItem.Type looks a name's extension up
// here, and the file dialogs build their filters from the names a program
// passes them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tess::files {

struct FileType {
  std::string name;
  std::vector<std::string> extensions;  // without the dot, as declared
  std::string macType;                  // four characters, or empty
};

void SetApplicationFileTypes(std::vector<FileType> types);
const std::vector<FileType>& ApplicationFileTypes();

// The type of a file name, by its extension without regard to case (the
// first declared type wins); null when none has it.
const FileType* FileTypeOfName(std::string_view fileName);

// What a dialog is given for a list of file types: the filter pairs as the
// platform's dialogs take them (text, NUL, patterns, NUL, ..., NUL) and the
// extension a name typed without one receives.
//
// The list separates names with ";". A declared type's name gives one
// filter of its extensions; an entry that is itself a pattern ("*.txt",
// ".txt") gives a filter of that pattern; "????", "*" and an empty list
// give "All Files"; other names are ignored. An open dialog offered more
// than one filter first offers them all together.
struct DialogFilter {
  std::string pairs;
  std::string defaultExtension;
};
DialogFilter FilterForFileTypes(std::string_view list, bool forOpen);

}  // namespace tess::files
