// The readers of the seven picture light classes, the slide and the slide show a document can name.
#pragma once

// Registers them in the light and slide registries and installs the slide show as the scene root's
// reader (unless one is installed already).
void RegisterLightReaders();
