// Scene-compiler builders of the full-screen effect items (their statements are listed in
// fx_builders.cpp).
#pragma once

void RegisterFxBuilders();
