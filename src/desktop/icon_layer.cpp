#include "desktop/icon_layer.h"

IconBounds StartIconBounds(const RECT& r) { return IconBounds{r.right, r.bottom, r.left, r.top}; }

void AddIconLabel(IconBounds& b, const RECT& r, const RECT& label) {
  if (label.left > r.right || label.top > r.bottom) return;
  if (label.left < b.minX) b.minX = label.left;
  if (label.top < b.minY) b.minY = label.top;
  LONG bottom = 2 * label.bottom - label.top;
  if (bottom > b.maxY) b.maxY = bottom;
  if (label.right > b.maxX) b.maxX = label.right;
}

void ApplyIconKey(BYTE* bits, int width, int height, const IconBounds& b) {
  if (!bits || width <= 0 || height <= 0) return;
  int firstRow = b.minY > 0 ? b.minY : 0;
  for (int y = firstRow; y < height && y <= b.maxY; ++y) {
    BYTE* row = bits + static_cast<size_t>(height - 1 - y) * width * 4;
    for (int x = 0; x < width && x <= b.maxX; ++x) {
      BYTE* px = row + 4 * x;
      bool key = px[0] == kIconKey && px[1] == kIconKey && px[2] == kIconKey;
      if (!key && px[3] == 0) px[3] = 255;
    }
  }
}

RECT IconCoverage(const BYTE* bits, int width, int height, int margin) {
  RECT r = {0, 0, 0, 0};
  if (!bits || width <= 0 || height <= 0) return r;
  LONG left = width, top = height, right = -1, bottom = -1;
  for (int y = 0; y < height; ++y) {
    const BYTE* row = bits + static_cast<size_t>(height - 1 - y) * width * 4;
    for (int x = 0; x < width; ++x) {
      if (row[4 * x + 3] == 0) continue;
      if (x < left) left = x;
      if (x > right) right = x;
      if (y < top) top = y;
      bottom = y;
    }
  }
  if (right < 0) return r;
  r.left = left > margin ? left - margin : 0;
  r.top = top > margin ? top - margin : 0;
  r.right = right + 1 + margin < width ? right + 1 + margin : width;
  r.bottom = bottom + 1 + margin < height ? bottom + 1 + margin : height;
  return r;
}
