#pragma once

// Registers the builders of the fifteen particle classes.
void RegisterParticleBuilders();
