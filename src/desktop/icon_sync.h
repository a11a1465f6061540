// Icon mirroring: once per frame the private icons are made to sit where the shell's icons sit, and icons
// the user drags in the private view are written back to the shell's list view.
#pragma once

#include <functional>
#include <vector>

#include "desktop/listview_record.h"

// What the mirroring does to the two list views; the desktop host implements it over the windows.
class IconViewSeam {
 public:
  virtual ~IconViewSeam() = default;
  virtual bool HasPrivateListView() = 0;
  virtual bool AreIconsVisible() = 0;
  virtual bool IsPrivateViewWindowVisible() = 0;
  virtual int PrivateItemCount() = 0;
  virtual bool PrivateItemText(int item, ds_string& text) = 0;
  virtual bool PrivateItemPosition(int item, POINT& position) = 0;
  virtual void SetPrivateItemPosition(int item, POINT position) = 0;
  virtual void MovePrivateItemOutOfSight(int item) = 0;
  // Moves the private list view up by its header's height inside the view window.
  virtual void AlignPrivateListView() = 0;
  // One full read of the shell's list view into the placements (without clearing them).
  virtual bool ReadShellIcons(PlacementMap& placements) = 0;
  virtual void MatchIconSize() = 0;
  virtual void ComputeIconBounds(int itemCount) = 0;
  virtual void UploadIconLayer() = 0;
  virtual void ShowPrivateViewWindow() = 0;
  virtual bool IsShellListViewVisible() = 0;
  // Hides the private list view and tells the scene host that no icons are shown.
  virtual void HidePrivateListView() = 0;
  virtual void SetShellIconPosition(POINT position, int shellIndex) = 0;
};

// Out of sight: where private items without a shell counterpart go.
const LONG kOutOfSight = 10000;

class IconMirror {
 public:
  // One frame of mirroring; true only in the steady state with icons.
  bool SyncIcons(IconViewSeam& view);
  // A drag starts in the private view with these items selected (in index order). A drag that never
  // ended (cancelled, or dropped where it started) is forgotten.
  void BeginDrag(const std::vector<int>& selected);
  // The placement recorded for a private item's text, or null.
  IconPlacement* FindPlacement(IconViewSeam& view, int item);

  int iconCount = 0;
  PlacementMap placements;
  std::vector<int> draggedIcons;
};

// Ctrl+wheel steps that bring the private icon height to the shell's: smaller while the private icons are
// taller, larger while they are shorter, until the heights meet or cross. At most kMaxIconSizeSteps each
// way, and no further once a step leaves the height unchanged (the view's smallest or largest size, or a
// view without wheel sizing). A height of 0 (no item, or it could not be read) changes nothing. Returns
// the number of steps sent.
const int kMaxIconSizeSteps = 16;
int MatchIconHeight(int shellHeight, const std::function<int()>& privateHeight,
                    const std::function<void(bool larger)>& step);
