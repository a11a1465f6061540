// Loading the one scene the program plays: the document embedded in the program's own file as the
// resource "DDS" / 107: a header string (not compared), the slide show section, the resource manager
// section; nothing after it is read.
#pragma once

#include "scene/stream.h"

class DS_SlideShow_Light;

// The resource id of the embedded scene document.
const WORD kSceneDocumentId = 107;
// Thrown (as an unsigned int) when the program carries no scene document or an empty one.
const unsigned int kNoSceneDocument = 0x8200000Bu;

// How the scene root is read and destroyed. The slide show class installs its own when its readers are
// registered; until one is installed, loading a document is a format error.
struct SceneRootReader {
  DS_SlideShow_Light* (*read)(DS_IOF_Virtual** stream);  // reads the whole section, header included
  void (*destroy)(DS_SlideShow_Light* root);
};
void SetSceneRootReader(const SceneRootReader& reader);
const SceneRootReader& CurrentSceneRootReader();

// Reads the embedded document through the current module resources and returns the scene root (owned by
// the caller); the classes it names must have their readers registered first. On success g_DocResManager
// is the document's resource manager. Every failure is an
// exception: kNoSceneDocument for a missing or empty document, DocFormatError for a damaged one, and
// g_DocResManager then keeps its previous value.
DS_SlideShow_Light* LoadSceneDocument();
