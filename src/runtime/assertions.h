// Every internal assertion the runtime raises, named once. The dialog reports
// (kind, number, source, line): the code (kind and number) says what sort of
// check failed, the source names the area that found it, the line places it
// there. Most checks report the line they sit on (__LINE__); those whose line
// is fixed, the same in every build, are named here as whole sites. The codes
// are one number space for every subsystem; each subsystem above keeps its
// own sources and sites in its own assertions.h.
#pragma once

namespace tess {

struct AssertionCode {
  int kind;
  int number;
};

// A consistency check that ordinary use never fails, with its source and line.
inline constexpr AssertionCode kFailedCheck{131, 4};
// Interface linking: a class lacks a method one of its interfaces declares.
inline constexpr AssertionCode kLinkCheck{131, 2};
// A class record that cannot be read, or names a class no registry knows;
// reported without a source.
inline constexpr AssertionCode kClassRecordCheck{132, 2};
// A project item of a kind no subsystem defines; reported without a source.
inline constexpr AssertionCode kProjectItemCheck{132, 3};

// A check reported with a fixed source and line.
struct AssertionSite {
  AssertionCode code;
  const char* source;
  int line;
};

// Array entry points given a nil array.
inline constexpr char kSourceCommonRuntime[] = "commonruntime";
// Misuse of a growable list: a position outside it, a wrong element size.
inline constexpr char kSourceArray[] = "array";
// String reference counts and character writes.
inline constexpr char kSourceString[] = "string";
// Object reference counts, hooks, and raising before the exception classes.
inline constexpr char kSourceObjects[] = "objects";
// Start-up: class tables, deferred member references, events fired into the
// image.
inline constexpr char kSourceRuntimeMain[] = "RuntimeMain";
// Linking class interfaces.
inline constexpr char kSourceObjectDefinition[] = "ObjectDefinition";

// Unlocking an object whose count is 0, negative or past any real count.
inline constexpr AssertionSite kUnlockCountOutOfRange{kFailedCheck, kSourceObjects, 316};
// A hook looked up with no event descriptor.
inline constexpr AssertionSite kHookWithoutEvent{kFailedCheck, kSourceObjects, 3194};
// Raising before the exception classes exist reports this line plus the
// error's number, so each error stays told apart.
inline constexpr int kRaiseWithoutClassesLine = 600;
// Freeing an internal block whose guard is damaged.
inline constexpr AssertionSite kBlockGuardDamaged{kFailedCheck, "dump", 68};
// A clean-up item of an unknown kind in a compiled frame; the walk goes on.
inline constexpr AssertionSite kUnknownCleanupItem{kFailedCheck, "win32exception", 127};
// A deferred member reference names a class no registry knows.
inline constexpr AssertionSite kDeferredClassUnknown{kFailedCheck, kSourceRuntimeMain, 507};
// A deferred member reference of an unknown kind letter.
inline constexpr AssertionSite kDeferredKindUnknown{kFailedCheck, kSourceRuntimeMain, 558};
// No class in the chain implements a method of an interface it declares.
inline constexpr AssertionSite kInterfaceMethodMissing{kLinkCheck, kSourceObjectDefinition, 2542};
// Linking failed after the image's classes were registered.
inline constexpr AssertionSite kClassLinkFailed{kLinkCheck, kSourceObjectDefinition, 2713};
// An interface call whose method slot lies beyond the implementing class's
// table for that interface.
inline constexpr AssertionSite kInterfaceSlotOutOfRange{kFailedCheck, "interfaceUtil", 114};
// A class record of the image that cannot be used.
inline constexpr AssertionSite kClassRecordUnusable{kClassRecordCheck, nullptr, 0};

}  // namespace tess
