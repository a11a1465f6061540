// Where the picture lies in back-buffer pixels, for the code that maps screen points back into picture
// pixels, and the picture's pixel size, which is the frame every scene item measures its rectangles in.
#pragma once

#include "platform/types.h"
#include "scene/screen_quad.h"

struct ScreenMapping {
  float scaleX;        // back-buffer width / target width
  float scaleY;        // back-buffer height / target height
  ScreenQuad picture;  // the fitted picture in back-buffer pixels
  int pictureWidth;    // 0 until the first placement
  int pictureHeight;
  // The picture position's scale about the centre and its offsets, as the last projection set them
  // (1, 1, 0, 0 until then); a mapped point undoes them.
  float invScaleX, invScaleY;
  float offsetX, offsetY;
};

// The one mapping; its quad and its scale (1) are initialised on first use, every other field starts at 0.
ScreenMapping* GetScreenMapping();

void SetScreenMapping(const ScreenQuad& fitted, int targetWidth, int targetHeight, int pictureWidth,
                      int pictureHeight);

// Records the picture position's inverse scale and offsets (written by the projection).
void SetScreenModeScale(float invScaleX, float invScaleY, float offsetX, float offsetY);

// A back-buffer point in picture pixels: undoes the placement and the picture position's scale about the
// centre (not the camera zoom). z passes through. An axis on which the mapped quad has no extent maps
// to the picture's origin on that axis.
D3DXVECTOR3 MapScreenPointToPicture(const ScreenMapping* mapping, float x, float y, float z);
