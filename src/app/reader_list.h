// The reader list: every subsystem's document classes registered in one call. The application makes
// it before it loads the scene document; the scene model itself names no subsystem.
#pragma once

// Fills the reader registries with every document class. Idempotent.
void RegisterAllReaders();
