// The window layer's sources of internal assertions (codes in
// runtime/assertions.h).
#pragma once

namespace tess::ui {

// Window objects: a frame kind outside the tables.
inline constexpr char kSourceWindow[] = "window";
// The menu bar: an item that does not exist.
inline constexpr char kSourceMenuBar[] = "menubar";

}  // namespace tess::ui
