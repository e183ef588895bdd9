// Joins pictures to the layers that cannot include the graphics layer
// themselves (the database's picture columns, the picture project items),
// and StyledTextPrinter, which draws an EditField's text through a Graphics.
#pragma once

namespace tess::ui {

// After the database and graphics classes are built.
void InitPictureGlue();

}  // namespace tess::ui
