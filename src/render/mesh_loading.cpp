// Meshes and mesh parts from the document's resources.
#include "render/mesh.h"
#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "scene/texture_types.h"

template <>
bool DS_IndexedMesh<DX_V::PNT>::LoadMesh(const DS_MeshFile& link) {
  if (!g_DocResManager) {
    ShareBuffers(nullptr, nullptr, 0, 0);
    return true;
  }
  const MeshData& data = g_DocResManager->GetMesh(link, (int)sizeof(DX_V::PNT));
  ShareBuffers(data.vertexBuffer, data.indexBuffer, data.vertexCount > 0 ? (UINT)data.vertexCount : 0,
               data.faceCount > 0 ? (UINT)data.faceCount : 0);
  radius = data.radius;
  centerX = data.centre[0];
  centerY = data.centre[1];
  centerZ = data.centre[2];
  return true;
}

bool MeshPart::Load(const DS_ImageFileLink& image, MeshPart* part, const DS_MeshFile& mesh) {
  part->imageLink = image;
  part->LoadTexture();
  return part->LoadMesh(mesh);
}

void MeshPart::LoadTexture() {
  IDirect3DTexture9* first = nullptr;
  if (g_DocResManager) {
    const TextureSet& set = g_DocResManager->GetTextureSet(imageLink);
    if (!set.frames.empty()) first = set.frames.front();
  }
  SetTexture(first);
}
