// Builds the file and stream classes in the order their records refer to
// each other: FolderItem first, then the streams its openers return.
#include "files/file_classes.h"

#include "files/folder_item.h"
#include "files/streams.h"

namespace tess {

void InitFileClasses() {
  InitFolderItemClass();
  InitStreamClasses();
}

}  // namespace tess
