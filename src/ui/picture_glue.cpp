#include "ui/picture_glue.h"

#include "db/classes/database_classes.h"
#include "graphics/picture_files.h"
#include "ui/styled_text_printer.h"

namespace tess::ui {

void InitPictureGlue() {
  graphics::InitPictureFiles();
  SetDatabasePictureHooks({&graphics::DatabasePictureFromBytes, &graphics::DatabasePictureToBytes});
  InitStyledTextPrinter();
}

}  // namespace tess::ui
