// Scene-compiler builders of the 3D objects: butterflies, the clock and the falling leaves (their
// statements are listed in objects3d_builders.cpp).
#pragma once

void RegisterObjects3DBuilders();
