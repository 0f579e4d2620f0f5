// File lists: a list file and a current-file file per category.
#include "Engine.h"

const char ORIGINAL_ENTRY[] = "[Original] (not cycled)";

FileList::FileList() : Entries(1, 1, ~0u) {}

void LoadFileList(Category, const CategorySettings&, FileList&) {}
bool SaveFileList(Category, const CategorySettings&, const FileList&) { return false; }
