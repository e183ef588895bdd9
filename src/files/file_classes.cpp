// Builds the file and stream classes in the order their records refer to
// each other: FolderItem first, then the streams its openers return.
#include "files/file_classes.h"

#include "files/file_dialogs.h"
#include "files/folder_item.h"
#include "files/streams.h"
#include "files/virtual_volume.h"
#include "runtime/framework_classes.h"
#include "values/value_classes.h"

namespace tess {

void InitFileClasses() {
  InitFolderItemClass();
  InitVirtualVolumeClass();
  InitStreamClasses();
  InitFileDialogClasses();
}

void InitFrameworkValueAndFileClasses() {
  SetFrameworkClassHook([] {
    InitValueClasses();
    InitFileClasses();
  });
  InitFrameworkClasses();
}

}  // namespace tess
