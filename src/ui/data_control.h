// DataControl: the window control over the database classes' DataControl
// engine. It draws a bar of first and previous buttons, its caption, and
// next and last buttons; the buttons and the arrow keys move through the
// rows of its query, and the controls of its window whose DataSource names
// it show the current row's columns given by their DataField.
#pragma once

#include "runtime/object_layout.h"

namespace tess::ui {

// Builds the DataControl and DataControlAction classes once.
void InitDataControl();

bool IsDataControl(TessObject* object);

// The bar's parts, left to right, as hit by a point of the control (control
// coordinates); kCaption for the middle, -1 outside.
enum DataControlPart { kFirstButton, kPreviousButton, kCaption, kNextButton, kLastButton };
int DataControlPartAt(TessObject* control, int32_t x, int32_t y);

}  // namespace tess::ui
