// Pictures of water, drawn procedurally like every kind:
//
//   seabed  seed=N                 opaque underwater view: light shafts from the surface, a sandy floor
//                                  with stones, swaying weed and rising bubbles
//   ripple  seed=N normals=A       grey height field of crossing ripples that tiles in both directions;
//                                  with normals=A (1..100) the picture is instead its normal map at that
//                                  amplitude: x in red, y in green, around 0.5 (a .dds file keeps red and
//                                  green as the signed offsets of a bump map)
#pragma once

#include "picgen/picture_kinds.h"

Picture SeabedPicture(const PictureRequest& r);
Picture RipplePicture(const PictureRequest& r);
