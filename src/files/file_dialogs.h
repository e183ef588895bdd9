// The file dialogs: FolderItemDialog with OpenDialog, SaveAsDialog and
// SelectFolderDialog, and the open and save functions, over the platform's
// common dialogs.
#pragma once

namespace tess {

// Builds the four classes; after FolderItem, whose class their records name.
void InitFileDialogClasses();

}  // namespace tess
