#include "desktop/icon_sync.h"

IconPlacement* IconMirror::FindPlacement(IconViewSeam& view, int item) {
  ds_string text;
  if (!view.PrivateItemText(item, text)) return nullptr;
  auto p = placements.find(text);
  return p == placements.end() ? nullptr : &p->second;
}

void IconMirror::BeginDrag(const std::vector<int>& selected) { draggedIcons = selected; }

bool IconMirror::SyncIcons(IconViewSeam& view) {
  if (!view.HasPrivateListView()) return false;
  if (!view.AreIconsVisible() && view.IsPrivateViewWindowVisible()) return false;
  int n = view.PrivateItemCount();

  if (n == iconCount) {
    if (!draggedIcons.empty()) {
      IconPlacement* first = FindPlacement(view, draggedIcons.front());
      POINT now;
      if (first && view.PrivateItemPosition(draggedIcons.front(), now) && now.x == first->position.x &&
          now.y == first->position.y)
        return iconCount != 0;  // the drag has not ended yet
      for (int item : draggedIcons) {
        IconPlacement* p = FindPlacement(view, item);
        if (!p || !view.PrivateItemPosition(item, now)) continue;
        p->position = now;
        view.SetShellIconPosition(now, p->index);
      }
    }
    draggedIcons.clear();
    view.ComputeIconBounds(n);
    view.UploadIconLayer();
    return iconCount != 0;
  }

  view.AlignPrivateListView();
  view.ReadShellIcons(placements);
  for (int i = 0; i < n; ++i) {
    IconPlacement* p = FindPlacement(view, i);
    if (p)
      view.SetPrivateItemPosition(i, p->position);
    else
      view.MovePrivateItemOutOfSight(i);
  }
  iconCount = n;
  view.MatchIconSize();
  view.ComputeIconBounds(n);
  view.ShowPrivateViewWindow();
  if (!view.IsShellListViewVisible()) view.HidePrivateListView();
  return false;
}

int MatchIconHeight(int shellHeight, const std::function<int()>& privateHeight,
                    const std::function<void(bool larger)>& step) {
  if (shellHeight <= 0) return 0;
  int h = privateHeight();
  if (h <= 0 || h == shellHeight) return 0;
  bool larger = h < shellHeight;
  int steps = 0;
  while (steps < kMaxIconSizeSteps && (larger ? h < shellHeight : h > shellHeight)) {
    step(larger);
    ++steps;
    int next = privateHeight();
    if (next == h || next <= 0) break;
    h = next;
  }
  return steps;
}
