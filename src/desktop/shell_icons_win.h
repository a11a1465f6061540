// Reading and moving the icons of the shell's list view, which belongs to another process (possibly a
// 64-bit one): records, texts and points travel through memory allocated in that process.
#pragma once

#include "desktop/listview_record.h"

// One full read of a list view: placements[text] = {position, index} for every item whose text and
// position could be read; alike texts leave the highest index. False when the window, its process or the
// remote memory is missing, else whether it has any items.
bool ReadShellIconsFrom(HWND listView, bool wideRecords, PlacementMap& placements);
bool ReadShellIcons32(PlacementMap& placements);
bool ReadShellIcons64(PlacementMap& placements);

// The height of item 0's icon rectangle; 0 when there is no item or it cannot be read.
int ReadIconHeight(HWND listView);

// Moves an item of the shell's list view.
void SetShellIconPosition(POINT position, int shellIndex);
