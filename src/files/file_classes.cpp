#include "files/file_classes.h"

#include "files/folder_item.h"
#include "files/streams.h"

namespace tess {

void InitFileClasses() {
  InitFolderItemClass();
  InitStreamClasses();
}

}  // namespace tess
