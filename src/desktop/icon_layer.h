// The icon layer: the label area of the private icons, and the rule by which the icons' bitmap becomes
// the texture drawn over the scene.
#pragma once

#include "platform/types.h"

struct IconBounds {
  LONG minX, minY, maxX, maxY;
};

// Starts inverted over the list view's client rectangle r, so that with no item no row is treated.
IconBounds StartIconBounds(const RECT& r);
// Widens the bounds by one item's label rectangle (client coordinates); labels right of or below r are
// skipped. The bottom reaches twice the label's height below its top, room for a label's second line.
void AddIconLabel(IconBounds& bounds, const RECT& r, const RECT& label);

// The key colour the private list view paints its background with: red, green and blue 1.
const BYTE kIconKey = 1;

// Prepares the icons' bitmap (width x height, 32 bits, bottom-up rows, bytes B, G, R, A) for upload:
// inside the rows min y..max y (counted from the top of the picture) and the columns 0..max x, a pixel
// of exactly the key colour keeps its alpha and stays transparent; every other pixel with alpha 0 becomes
// opaque. Pixels outside are not touched; min x is not used.
void ApplyIconKey(BYTE* bits, int width, int height, const IconBounds& bounds);

// The part of the prepared bitmap (as above) that the icon layer shows: the smallest rectangle, in
// picture coordinates counted from the top, holding every pixel whose alpha is not 0, widened by margin
// pixels on every side (room for a filtered edge) and clipped to the bitmap. Right and bottom are
// exclusive; an empty rectangle (all 0) when every pixel is transparent.
RECT IconCoverage(const BYTE* bits, int width, int height, int margin);
