// Scene-compiler builders of the full-screen effect items (their statements are listed in
// fx_builders.cpp).
#pragma once

void RegisterFxBuilders();

class DS_FireFX;
class DS_FX_Constructor;
struct SceneNode;
// One statement of a fire (the common effect item statements and the fire's own) into fire; false for any
// other. The flame light's builder reads its embedded fire with it.
bool BuildFireStatement(DS_FireFX& fire, const SceneNode& n);
// The statements every effect item takes (name, speed, mainfx, mask, effect, scale) into item; false
// for any other. Lights that embed an effect item take them too.
bool BuildEffectItemStatement(DS_FX_Constructor& item, const SceneNode& n);
