// Scene-compiler builders of the slide show, its slides, the plain picture light and the sound tracks
// (their statements are listed in slide_show_builders.cpp).
#pragma once

#include "scenec/scene_text.h"

class DS_2D_Light;

void RegisterSlideShowBuilders();
// The statements every picture light takes (picture, camera); false for any other statement, so that the
// builder of a derived light handles its own and passes the rest here.
bool BuildLightStatement(DS_2D_Light& light, const SceneNode& statement);
