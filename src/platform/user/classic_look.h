// The classic look, drawn in one place: 3D edges, window frames, captions
// with their title and buttons, and the glyphs on those buttons. Controls
// describe what they want (an edge kind, a button state) and this file
// draws it; the desktop uses it for every window frame.
#pragma once

#include <string>
#include <string_view>

#include "platform/user/winuser.h"

namespace tess::platform {

// DrawEdge.
enum : UINT {
  BDR_RAISEDOUTER = 0x1,
  BDR_SUNKENOUTER = 0x2,
  BDR_RAISEDINNER = 0x4,
  BDR_SUNKENINNER = 0x8,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : UINT {
  BF_LEFT = 0x1,
  BF_TOP = 0x2,
  BF_RIGHT = 0x4,
  BF_BOTTOM = 0x8,
  BF_RECT = 0xF,
  BF_MIDDLE = 0x800,
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,
};
BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags);

// DrawFrameControl: caption buttons, push buttons, scroll arrows, checks,
// and the glyphs of menu items. Menu glyphs are drawn alone, centred, with
// no edge and no background: in the menu text colour, the highlight text
// colour when hot, embossed grey when inactive.
enum : UINT { DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4 };
enum : UINT {
  DFCS_CAPTIONCLOSE = 0x0,
  DFCS_CAPTIONMIN = 0x1,
  DFCS_CAPTIONMAX = 0x2,
  DFCS_CAPTIONRESTORE = 0x3,
  DFCS_MENUARROW = 0x0,
  DFCS_MENUCHECK = 0x1,
  DFCS_MENUBULLET = 0x2,
  DFCS_SCROLLUP = 0x0,
  DFCS_SCROLLDOWN = 0x1,
  DFCS_SCROLLLEFT = 0x2,
  DFCS_SCROLLRIGHT = 0x3,
  DFCS_BUTTONCHECK = 0x0,
  DFCS_BUTTONRADIO = 0x4,
  DFCS_BUTTONPUSH = 0x10,
  DFCS_INACTIVE = 0x100,
  DFCS_PUSHED = 0x200,
  DFCS_CHECKED = 0x400,
  DFCS_HOT = 0x1000,
  DFCS_FLAT = 0x4000,
  DFCS_MONO = 0x8000,
};
BOOL DrawFrameControl(HDC dc, RECT* r, UINT kind, UINT state);
BOOL DrawFocusRect(HDC dc, const RECT* r);
// A dialog's push button with its label in the selected font: the default
// one framed in black, the label a pixel down and right while pressed, the
// focused one with its focus rectangle.
void DrawDialogButton(HDC dc, RECT r, std::string_view label, bool isDefault, bool pressed,
                      bool focused);

namespace user {

// Where the caption parts of a window of this style and width lie, in
// window coordinates. Empty rectangles for parts the style does not have.
struct CaptionLayout {
  RECT caption{}, icon{}, close{}, max{}, min{};
};
CaptionLayout LayoutCaption(DWORD style, DWORD exStyle, int windowWidth);

// Draws a window's frame, caption, menu bar and edges into a context
// covering the whole window (GetWindowDC), as active or inactive.
struct Window;
void DrawNonClient(Window* w, HDC windowDC, bool active, int pressedHit);

// The faces of the standard controls. Text is drawn in the font and text
// colour selected into the context, '&' marking a mnemonic; disabled text
// is embossed.
enum : UINT {
  kFacePressed = 0x1,
  kFaceDefault = 0x2,  // the default push button: a dark outer frame
  kFaceFocused = 0x4,  // a focus ring around the caption
  kFaceDisabled = 0x8,
  kFaceChecked = 0x10,
  kFaceLeftText = 0x20,  // check boxes and radio buttons: text before the box
};
void PaintPushButton(HDC dc, const RECT& r, const std::string& text, UINT face);
void PaintCheckButton(HDC dc, const RECT& r, const std::string& text, bool radio, UINT face);
// The etched frame with the caption on its top edge, over `background`;
// the inside is left as it is.
void PaintGroupBox(HDC dc, const RECT& r, const std::string& text, UINT face, HBRUSH background);
// A record navigator's button (a data control's): a raised face, sunken
// while pressed, with its arrow (and the bar of first and last) embossed
// when disabled.
enum : UINT { kRecordFirst, kRecordPrevious, kRecordNext, kRecordLast };
void PaintRecordButton(HDC dc, const RECT& r, UINT which, UINT face);
// A label in `r` with DrawText's format, embossed when disabled.
void PaintLabel(HDC dc, RECT r, const std::string& text, UINT format, UINT face);

}  // namespace user
}  // namespace tess::platform
