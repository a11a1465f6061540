// The reader list: every subsystem's document classes registered in one call. The application makes
// it before it loads the scene document; the scene model itself names no subsystem.
#pragma once

class DS_SlideShow_Light;

// Fills the reader registries with every document class. Idempotent.
void RegisterAllReaders();

// The embedded scene document read with every class's reader registered, as the start-up loads it:
// LoadSceneDocument after RegisterAllReaders, with its results and exceptions.
DS_SlideShow_Light* LoadEmbeddedScene();
