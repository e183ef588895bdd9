// The texts of the virtual volume's failures, in one place. The first three
// are the ones the volume has always logged when a file cannot be opened as a
// volume; the rest name damage and refusals the engine detects itself.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace tess::files::volume {

// One of the texts below with its %u and %s filled in.
inline std::string FormatMessageV(const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  return text;
}
inline std::string FormatMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatMessageV(format, args);
  va_end(args);
  return text;
}

inline constexpr const char* kBadMagic = "Invalid magic code for VFS volume file.";
inline constexpr const char* kTooAdvanced = "VFS volume format version is too advanced for me.";
inline constexpr const char* kBadMetadata = "VFS volume metadata (idnum 1) header is invalid.";

inline constexpr const char* kUnknownVersion = "VFS volume format version is not known.";
inline constexpr const char* kNotOpen = "The volume is not open.";
inline constexpr const char* kDamagedBlock = "VFS volume block at %u is damaged (%s).";
inline constexpr const char* kWriteFailed = "The volume file could not be written.";
inline constexpr const char* kReadFailed = "The volume file could not be read.";
inline constexpr const char* kVolumeFull = "The volume file has reached its largest size.";
inline constexpr const char* kIdnumsUsedUp = "The volume has no file numbers left.";
inline constexpr const char* kNoSuchFile = "The volume has no file %u.";
inline constexpr const char* kDamagedChain = "The block chain of file %u is damaged (%s).";
inline constexpr const char* kTooManyHandles = "Too many files of the volume are open.";
inline constexpr const char* kBadHandle = "The file handle is not open.";
inline constexpr const char* kFileInUse = "File %u of the volume is open.";
inline constexpr const char* kSeekBeyondChain = "The position lies beyond the file's blocks.";
inline constexpr const char* kChainEnds = "The file's blocks end before the bytes wanted.";

inline constexpr const char* kNoRoot = "VFS volume root folder (idnum 2) is missing or damaged.";
inline constexpr const char* kNotFolder = "The entry is not a folder.";
inline constexpr const char* kIsFolder = "The entry is a folder.";
inline constexpr const char* kBadName = "The name is empty.";
inline constexpr const char* kBadType = "The type code cannot be given to this entry.";
inline constexpr const char* kNameTaken = "The folder already holds an entry named \"%s\".";
inline constexpr const char* kDamagedEntry = "Entry %u of the volume is damaged (%s).";
inline constexpr const char* kDamagedFolder = "Folder %u of the volume is damaged (%s).";
inline constexpr const char* kRootFixed = "The root folder cannot be deleted or moved.";
inline constexpr const char* kFolderNotEmpty = "The folder is not empty.";
inline constexpr const char* kMoveIntoItself = "A folder cannot be moved into itself.";
inline constexpr const char* kBadLength = "The length is outside what the volume can hold.";

}  // namespace tess::files::volume
