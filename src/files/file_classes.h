// The framework classes of files and streams, built with the other
// framework classes at start-up.
#pragma once

namespace tess {

// Builds and registers FolderItem and the stream classes; called once,
// before classes are linked.
void InitFileClasses();

}  // namespace tess
