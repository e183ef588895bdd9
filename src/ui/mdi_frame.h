// The optional multiple-document frame: one TS_MDIFRAME window holding the
// host's multiple-document client, the menu bar and, as TS_MDICHILD
// children of the client, every document window; and the MDIWindow class
// through which the application sees the frame.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "platform/user/winuser.h"
#include "runtime/object_layout.h"
#include "ui/instance_layout.h"

namespace tess::ui {

inline constexpr char kMdiFrameClassName[] = "TS_MDIFRAME";
inline constexpr char kMdiChildClassName[] = "TS_MDICHILD";

// The fields of an MDIWindow instance after the object header.
struct MDIWindowFields {
  ObjectHeader header;
  platform::HWND frame;  // the native frame; null before it is built and after it closed
  Rect16 current;        // the frame's window rectangle, screen coordinates
  int16_t minWidth, minHeight, maxWidth, maxHeight;
  TessString* title;
  uint8_t visible;
  uint8_t reserved[3];
};
static_assert(offsetof(MDIWindowFields, frame) == 16);
static_assert(offsetof(MDIWindowFields, current) == 20);
static_assert(offsetof(MDIWindowFields, minWidth) == 28);
static_assert(offsetof(MDIWindowFields, title) == 36);
static_assert(offsetof(MDIWindowFields, visible) == 40);
inline constexpr int32_t kMDIWindowInstanceSize = sizeof(MDIWindowFields);
static_assert(kMDIWindowInstanceSize == 44);

// Builds the MDIWindow class and registers the native classes; later calls
// do nothing.
void InitMdiClasses();
ClassObject* MDIWindowClass();

// Creates the frame (640 by 480, default position, hidden) with its client
// and the menu bar, as an instance of the last class of `classes` derived
// from MDIWindow (MDIWindow itself when none), then fires its Open. Null
// when a frame exists already or the native frame failed.
TessObject* OpenMdiFrame(std::span<ClassObject* const> classes, std::string_view title);
// Shows the frame if it is not visible yet.
void ShowMdiFrame();
// Destroys the frame and releases its instance.
void CloseMdiFrame();
TessObject* MdiWindowInstance();
platform::HWND MdiFrameHandle();  // null without a frame

// Frame kind 6 is a document window while the frame exists.
uint8_t KindInMdiFrame(uint8_t kind);
// A document window as a child of the client, its content at `content`
// (client coordinates on entry, screen coordinates on return).
platform::HWND CreateMdiDocument(const char* title, platform::DWORD style, Rect16* content);
// Destroys a document window through the client; false for any other window.
bool DestroyMdiDocument(platform::HWND hwnd);
// The active document when `hwnd` is the frame, else `hwnd`.
platform::HWND FrontDocumentOf(platform::HWND hwnd);
// The documents, front to back; empty without a frame.
std::vector<platform::HWND> MdiDocuments();
// Ctrl+F4 and Ctrl+F6 for the documents; true when the message was taken.
bool OfferMdiAccelerator(const platform::MSG& msg);

}  // namespace tess::ui
