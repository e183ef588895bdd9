// StyledTextPrinter, which draws an EditField's styled text into a Graphics
// block by block (styled_text_printer.cpp).
#pragma once

namespace tess::ui {

// Registers the class; later calls do nothing.
void InitStyledTextPrinter();

}  // namespace tess::ui
