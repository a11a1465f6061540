// Scene-compiler builders of the animated picture lights (their statements are listed in
// picture_light_builders.cpp).
#pragma once

void RegisterPictureLightBuilders();
