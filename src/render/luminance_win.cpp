// A picture's texels, read from a copy of it.
#include "render/luminance_win.h"

#include <d3dx9.h>

#include "render/texture_cache.h"

bool ReadPictureTexels(IDirect3DTexture9* picture, UINT size, const std::function<void(const BYTE*, int)>& read) {
  if (!picture) return false;
  IDirect3DTexture9* source = picture;
  ComRef<IDirect3DTexture9> copy;
  // Four bytes a texel whatever the picture's format; read only when the copy really has them.
  ConvertTexture(static_cast<int>(size), static_cast<int>(size), &source, copy.Out(), D3DFMT_X8R8G8B8);
  if (!copy) return false;
  bool ok = false;
  D3DSURFACE_DESC desc;
  if (SUCCEEDED(copy->GetLevelDesc(0, &desc)) && desc.Width == size && desc.Height == size &&
      (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8)) {
    D3DLOCKED_RECT rect;
    if (SUCCEEDED(copy->LockRect(0, &rect, nullptr, D3DLOCK_READONLY))) {
      read(static_cast<const BYTE*>(rect.pBits), rect.Pitch);
      copy->UnlockRect(0);
      ok = true;
    }
  }
  return ok;
}
