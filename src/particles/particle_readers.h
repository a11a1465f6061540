// The readers of the fifteen particle classes a document can name.
#pragma once

// Registers them in the scene-item registry.
void RegisterParticleReaders();
