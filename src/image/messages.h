// The loader's messages to the user, shown in the runtime message box.
#pragma once

#include <string>
#include <string_view>

namespace tess::image {

inline std::string MissingLibraryMessage(std::string_view library) {
  return "The application could not be loaded because a necessary shared library " +
         std::string(library) + " could not be found.";
}

inline std::string MissingRoutineMessage(std::string_view routine, std::string_view library) {
  return "The application could not be loaded because the routine " + std::string(routine) +
         " could not be found in the shared library " + std::string(library) + ".";
}

inline std::string DamagedImageMessage(std::string_view detail) {
  return "The application could not be loaded because its image is damaged: " +
         std::string(detail) + ".";
}

inline std::string UnreadableFileMessage(std::string_view file) {
  return "The application could not be loaded because the file " + std::string(file) +
         " could not be read.";
}

}  // namespace tess::image
