// What the effect item classes share: the module they name, first frames of image links, and the reading
// and copying of scaled parameters.
#pragma once

#include "platform/com_ref.h"
#include "platform/d3d9_types.h"
#include "platform/types.h"
#include "scene/file_link.h"
#include "scene/scaled_params.h"

class DS_IOF_Virtual;

// The module every effect item names its effect and default pictures in.
extern const char16_t kFxModule[];

// Replaces slot by the first frame of the image link's set in the document (null without a document or a
// frame), the new reference taken before the old one is released.
void HoldFirstFrame(ComRef<IDirect3DTexture9>& slot, const DS_ImageFileLink& link);

// Reads a stored value into p, announcing it to every observer when it differs.
void ReadScaled(DS_IOF_Virtual* stream, UINTSclaleTo<float>& p);
// Value (its undo snapshot taken), scale and offset of from, then the value announced to every observer.
void AssignScaled(UINTSclaleTo<float>& to, const UINTSclaleTo<float>& from);

// Registers the readers of the effect item classes documents name.
void RegisterFxReaders();
