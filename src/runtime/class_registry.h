// The class registry: framework classes built from their static records, the
// application's classes built from the image's class records, interface
// linking, and lookups of classes and members by name.
//
// Application class records (data segment, little-endian words): kind 1 is
// {1, name string}; any other kind is {kind, instance size, name string or 0,
// superclass index or -1, has-routines [, construct, destruct], is-interface,
// I interfaces, M methods x {name, parameters, return type, code, flags},
// H hooks x {name, code, event number}, E events x {name, number},
// P properties x {name, type code, offset, attributes}, V method table}.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/class_records.h"
#include "runtime/object_layout.h"

namespace tess {

inline constexpr uint32_t kInterfaceMethod = 0x1;

struct FrameworkClassDef {
  const char* name;
  ClassObject* superclass;
  int32_t instanceSize;
  ClassRoutine construct;
  ClassRoutine destruct;
  std::span<const PropertyRecord> properties;
  std::span<const MethodRecord> methods;
  std::span<EventRecord> events;  // word 5 of each is filled in
};

// Builds, registers and returns a framework class.
ClassObject* BuildFrameworkClass(const FrameworkClassDef& def);

// Framework registry first, then plug-in registries; null when absent.
ClassObject* FindClassByName(std::string_view name);

// Reads the class records of an application descriptor into the class table
// (installed with SetClassTable) and links interfaces. Records that cannot be
// resolved leave their entry null after an internal assertion.
// `segment` is the data segment the records must lie in (empty: unchecked).
std::vector<ClassObject*> RegisterApplicationClasses(const uint8_t* descriptor,
                                                     std::span<const uint8_t> segment);

// Registers a class object built elsewhere (the root class) by its name.
void RegisterExistingClass(ClassObject* cls);
// Puts a class on the list of all classes for linking without registering
// its name (plug-in classes, which have registries of their own).
void RememberClass(ClassObject* cls);

// Registers `cls` under a second name as well.
void RegisterClassAlias(std::string_view name, ClassObject* cls);

// Builds interface method tables for every class not yet linked in this
// generation; false when an interface method has no implementation.
bool LinkClasses();

// Fills one implemented-interface record of `cls`: slot N of its table gets
// the code of the method named like the interface's Nth method, found on the
// class chain. False (after the assertion) when one has no implementation.
bool LinkInterfaceEntry(const ClassObject* cls, InterfaceEntry* entry);

// The code a deferred reference ("M", "W", "G" or "S" + "Class.Member") binds
// to; 0 after a report when the class or member is unknown.
void* DeferredMemberLookup(std::string_view reference);

// The event descriptor of `name` declared by `cls` itself, or null.
const EventDescriptor* FindEvent(const ClassObject* cls, std::string_view name);

// All classes, framework and application, newest first.
ClassObject* AllClasses();

}  // namespace tess
