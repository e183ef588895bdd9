// What the EditField's class records and its accessors share: the native
// control's style and text, and putting a stored field onto a new control.
#pragma once

#include "platform/user/winuser.h"
#include "tessera/types.h"
#include "ui/edit_field.h"

namespace tess::ui {

// The rich-edit style for the field's flags.
platform::DWORD NativeStyle(const EditFieldFields* f);
// The control's text as a string (one reference).
TessString* NativeText(platform::HWND control);
// Text, formats, alignment, limits, masking and selection from the instance
// onto the field's new control.
void ApplyStoredState(EditFieldFields* f);

}  // namespace tess::ui
