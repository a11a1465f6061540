// Pictures for the 3D objects' meshes, drawn in texture space (u across, v down the picture):
//
//   body       (none)                 opaque striped butterfly body; v runs from tail (0) to head (1)
//   wing       palette=amber|azure    RGBA wing: fore and hind wing from the hinge at u = 0, front at v = 0
//   clockface  (none)                 RGBA clock face: a disc with twelve marks, transparent corners
//   hand       (none)                 RGBA clock hand bar, pointed at v = 0
//   leaf       seed=N                 RGBA autumn leaf along v with a midrib and veins
#pragma once

#include "picgen/picture_kinds.h"

Picture ButterflyBodyPicture(const PictureRequest& r);
Picture WingPicture(const PictureRequest& r);
Picture ClockFacePicture(const PictureRequest& r);
Picture ClockHandPicture(const PictureRequest& r);
Picture LeafPicture(const PictureRequest& r);
