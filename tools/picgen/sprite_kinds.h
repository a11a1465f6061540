// The particle pictures: small RGBA sprites on transparent, and the bolt strip of the electric discharge.
//
//   sprite  shape=fish|bird|ghost|sparkle|ray|drop|puff|flower|blade|flash  frames=N  colour=RRGGBB
//           one sprite a frame, frames side by side (a sheet); colour tints the shape (white by default);
//           shape sparkle by default; the fish faces right (its head and eye at the right, its tail fin
//           at the left)
//   bolt    (none)   two zig-zag bolts stacked vertically (top and bottom halves); along x a left end cap
//                    in the first 0.195, a repeatable middle, a right end cap from 0.805 on
#pragma once

#include "picgen/picture_kinds.h"

Picture DrawSprite(const PictureRequest& request);
Picture DrawBolt(const PictureRequest& request);
