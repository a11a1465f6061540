// Device-side drawing of the placement (Windows only).
#pragma once

#include "render/mesh.h"

// No vertex shader, the RHWC format and the mesh's buffer as stream 0.
void BindRhwColorStream(const DS_SimpleMesh<DX_V::RHWC>& mesh);
