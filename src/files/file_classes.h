// The framework classes of files and streams, built with the other
// framework classes at start-up.
#pragma once

namespace tess {

// Builds and registers FolderItem and the stream classes; called once,
// before classes are linked.
void InitFileClasses();

// The framework classes with the value and file classes, for start-up and
// for tests that use files: installs the hook that builds both.
void InitFrameworkValueAndFileClasses();

}  // namespace tess
