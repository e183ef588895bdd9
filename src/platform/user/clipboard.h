// The clipboard, in-process: one per process, holding blocks of movable
// memory by format, shaped like the platform's. Text put as CF_UNICODETEXT
// is offered as CF_TEXT too (and the other way round), converted through
// the system code page on first request, as the platform synthesises it.
//
// When the desktop is presented on a host display, text also goes to and
// comes from the display's own clipboard (SetSystemClipboard).
//
// Not done yet: owners and delayed rendering (WM_RENDERFORMAT), clipboard
// viewers, bitmaps and named formats on the display's clipboard.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/windef.h"

namespace tess::platform {

using HGLOBAL = void*;

// Movable memory blocks, the currency of clipboard data.
enum : UINT { GMEM_FIXED = 0x0, GMEM_MOVEABLE = 0x2, GMEM_ZEROINIT = 0x40 };
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
size_t GlobalSize(HGLOBAL block);
// Null on success, as the platform has it.
HGLOBAL GlobalFree(HGLOBAL block);

enum : UINT { CF_TEXT = 1, CF_DIB = 8, CF_UNICODETEXT = 13 };

// Opening fails while another window (or thread) has it open.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Frees every block held; the clipboard must be open.
BOOL EmptyClipboard();
// Takes over `data` (the clipboard frees it); null when not open.
HGLOBAL SetClipboardData(UINT format, HGLOBAL data);
// The block stays the clipboard's; null when not open or absent.
HGLOBAL GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
// Named formats get numbers from 0xC000; the same name the same number.
UINT RegisterClipboardFormat(const char* name);

// The clipboard of the display the desktop is presented on. Text put here
// is published there when the clipboard is closed; when another program
// owns the text there, opening the clipboard takes it in place of ours.
struct SystemClipboard {
  std::function<void(const std::string& utf8)> publish;
  // True with the text when another program holds the display's clipboard.
  std::function<bool(std::string* utf8)> fetch;
};
void SetSystemClipboard(std::shared_ptr<SystemClipboard> system);

}  // namespace tess::platform
