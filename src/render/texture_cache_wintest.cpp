// The texture cache and loaders on a real device with D3DX: the program's own resources, a resource
// module mapped as data, document bytes and files; what is shared, what is decoded anew and what is
// retried; meshes into the program's own buffers; the small texture operations.
#include "render/texture_cache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dxut/d3d_device.h"
#include "scene/module_resources_win.h"
#include "support/d3d_fixture_win.h"
#include "support/saved_global.h"

namespace {

const int kPicture6x3 = 9001;  // in the test program: 6 x 3, red with a blue top-left pixel;
                               // in testkit.dll: 4 x 8, green
const int kQuadMesh = 9002;    // in both: a 4-vertex, 2-face quad from (-1,-1) to (1,1) with uv
const int kNotAPicture = 9003;  // in the test program only: text
const int kMissingId = 9500;
const ds_string kModule = u"testkit.dll";
const ds_string kNoModule = u"no-such-testkit.dll";

DWORD Texel(IDirect3DTexture9* tex, UINT x, UINT y) {
  D3DLOCKED_RECT lr;
  if (!tex || FAILED(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY))) return 0xDEADBEEF;
  DWORD c = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch)[x];
  tex->UnlockRect(0);
  return c & 0xFFFFFF;  // the file's format may have no alpha
}

UINT Width(IDirect3DTexture9* tex) {
  D3DSURFACE_DESC d = {};
  if (tex) tex->GetLevelDesc(0, &d);
  return d.Width;
}

ULONG Refs(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

// The bytes of one of the test program's own "DDS" resources.
std::vector<BYTE> OwnResource(int id) {
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!Win32ModuleResources().Find(nullptr, static_cast<WORD>(id), ModuleResourceType::kDds, &data, &size)) return {};
  return std::vector<BYTE>(data, data + size);
}

ds_string TempPath(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return FromWide(dir) + FromWide(name);
}

bool WriteFile(const ds_string& path, const std::vector<BYTE>& bytes) {
  HANDLE f = CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(f);
  return ok;
}

DocResourceRecord Record(int id, const ds_string& module, const ds_string& name = ds_string(),
                         const std::vector<BYTE>& bytes = std::vector<BYTE>()) {
  DocResourceRecord r(id, module);
  r.blob.name = name;
  r.blob.SetBytes(static_cast<INT>(bytes.size()), bytes.empty() ? nullptr : bytes.data());
  return r;
}

class TextureCacheTest : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    D3DFixture::SetUp();
    SetModuleResources(&Win32ModuleResources());
  }
  void TearDown() override {
    SetModuleResources(nullptr);
    D3DFixture::TearDown();
  }
  TextureCacheHolder holder;
};

TEST_F(TextureCacheTest, ExecutablePicturesByIdAreCachedWithFullMipChains) {
  IDirect3DTexture9* a = nullptr;
  IDirect3DTexture9* b = nullptr;
  TextureCache::GetTextureById(&a, &holder, kPicture6x3);
  TextureCache::GetTextureById(&b, &holder, kPicture6x3);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b) << "decoded once";
  EXPECT_EQ(Width(a), 8u) << "padded to a power of two, not scaled";
  EXPECT_GT(a->GetLevelCount(), 1u);
  EXPECT_EQ(Texel(a, 0, 0), 0x0000FFu) << "the top-left pixel is blue";
  EXPECT_EQ(Texel(a, 5, 2), 0xFF0000u);
  a->Release();
  b->Release();

  for (int id : {0, kMissingId, kNotAPicture, 0x10000 + kMissingId}) {
    IDirect3DTexture9* none = reinterpret_cast<IDirect3DTexture9*>(1);
    TextureCache::GetTextureById(&none, &holder, id);
    EXPECT_EQ(none, nullptr) << id;
    IDirect3DTexture9* direct = nullptr;
    EXPECT_TRUE(FAILED(LoadTextureResource(id, &direct, false))) << id;
    EXPECT_EQ(direct, nullptr) << id;
  }
  IDirect3DTexture9* viaLowBits = nullptr;
  TextureCache::GetTextureById(&viaLowBits, &holder, 0x10000 + kPicture6x3);
  EXPECT_NE(viaLowBits, nullptr) << "only the low 16 bits name the resource";
  SafeRelease(&viaLowBits);
}

TEST_F(TextureCacheTest, ModuleRecordsShareOneTextureAndFallBackToTheirBytes) {
  const std::vector<BYTE> ownBytes = OwnResource(kPicture6x3);
  ASSERT_FALSE(ownBytes.empty());

  TextureInfo first, second, fromBytes;
  TextureCache::GetTexture(Record(kPicture6x3, kModule), &holder, first);
  TextureCache::GetTexture(Record(kPicture6x3, kModule, u"", ownBytes), &holder, second);
  ASSERT_NE(first.texture, nullptr);
  EXPECT_EQ(first.texture, second.texture) << "same module and id: one texture; the module wins over bytes";
  EXPECT_EQ(first.width, 4u);
  EXPECT_EQ(first.height, 8u);
  EXPECT_FLOAT_EQ(first.aspect, 2.0f);
  EXPECT_EQ(Texel(first.texture, 0, 0), 0x00FF00u);
  EXPECT_EQ(holder.cache->modules.size(), 1u);

  // The module loads but lacks the id: the record's own bytes are decoded into the module's entry.
  TextureCache::GetTexture(Record(kMissingId, kModule, u"", ownBytes), &holder, fromBytes);
  ASSERT_NE(fromBytes.texture, nullptr);
  EXPECT_EQ(fromBytes.width, 6u);
  EXPECT_EQ(fromBytes.height, 3u);
  EXPECT_FLOAT_EQ(fromBytes.aspect, 0.5f);

  // Let go of, the entry no longer holds the texture: the last holder frees it, and the next request
  // decodes it again.
  second = TextureInfo();
  IDirect3DTexture9* released = first.texture.Get();
  TextureCache::ReleaseTexture(Record(kPicture6x3, kModule), &holder);
  released->AddRef();
  EXPECT_EQ(released->Release(), 1u) << "held by this test alone";
  first = TextureInfo();
  TextureCache::GetTexture(Record(kPicture6x3, kModule), &holder, second);
  ASSERT_NE(second.texture, nullptr);
  EXPECT_EQ(second.width, 4u);
  EXPECT_EQ(Texel(second.texture, 0, 0), 0x00FF00u);
}

TEST_F(TextureCacheTest, RecordsOfModulesThatDoNotLoadAreKeptByModuleName) {
  const std::vector<BYTE> ownBytes = OwnResource(kPicture6x3);
  TextureInfo a, again, other, none;
  TextureCache::GetTexture(Record(kPicture6x3, kNoModule, u"", ownBytes), &holder, a);
  TextureCache::GetTexture(Record(kPicture6x3, kNoModule, u"", ownBytes), &holder, again);
  TextureCache::GetTexture(Record(kPicture6x3, u"another-missing.dll", u"", ownBytes), &holder, other);
  ASSERT_NE(a.texture, nullptr);
  EXPECT_EQ(a.texture, again.texture);
  EXPECT_NE(a.texture, other.texture) << "same id in another module that does not load: its own entry";
  EXPECT_EQ(a.width, 6u);
  EXPECT_TRUE(holder.cache->modules.empty()) << "failed loads are not remembered";

  TextureCache::GetTexture(Record(kMissingId, kNoModule), &holder, none);
  EXPECT_EQ(none.texture, nullptr);
  EXPECT_EQ(none.width, 800u);
  EXPECT_EQ(none.height, 600u);
  EXPECT_FLOAT_EQ(none.aspect, 0.75f);
}

TEST_F(TextureCacheTest, NamedRecordsComeFromTheirBytesEachTimeOrFromTheFileOnce) {
  const std::vector<BYTE> ownBytes = OwnResource(kPicture6x3);
  TextureInfo a, b;
  TextureCache::GetTexture(Record(0, u"", u"picture.bmp", ownBytes), &holder, a);
  TextureCache::GetTexture(Record(0, u"", u"picture.bmp", ownBytes), &holder, b);
  ASSERT_NE(a.texture, nullptr);
  ASSERT_NE(b.texture, nullptr);
  EXPECT_NE(a.texture, b.texture) << "bytes are decoded anew at every request";
  EXPECT_TRUE(holder.cache->fileTextures.empty());

  const ds_string path = TempPath(L"lumivane_cache_test.bmp");
  ASSERT_TRUE(WriteFile(path, ownBytes));
  TextureInfo f1, f2;
  TextureCache::GetTexture(Record(0, u"", path), &holder, f1);
  TextureCache::LoadFromFile(path, &holder, f2);
  DeleteFileW(AsWide(path));
  ASSERT_NE(f1.texture, nullptr);
  EXPECT_EQ(f1.texture, f2.texture) << "a file is loaded once";
  EXPECT_EQ(f1.width, 6u);
  EXPECT_EQ(f1.height, 3u);
  EXPECT_EQ(Texel(f1.texture, 0, 0), 0x0000FFu);
}

TEST_F(TextureCacheTest, UndecodablePicturesReportTheFallbackSizeAndAreRetried) {
  TextureInfo missingFile, junk;
  TextureCache::LoadFromFile(TempPath(L"lumivane_no_such_picture.bmp"), &holder, missingFile);
  const std::vector<BYTE> text = OwnResource(kNotAPicture);
  ASSERT_FALSE(text.empty());
  TextureCache::LoadFromMemory(junk, text.data(), static_cast<int>(text.size()));
  for (const TextureInfo* info : {&missingFile, &junk}) {
    EXPECT_EQ(info->texture, nullptr);
    EXPECT_EQ(info->width, 800u);
    EXPECT_FLOAT_EQ(info->aspect, 0.75f);
  }

  // A file that appears after a failed request is decoded at the next one.
  const ds_string path = TempPath(L"lumivane_late_picture.bmp");
  DeleteFileW(AsWide(path));
  TextureInfo before, after;
  TextureCache::LoadFromFile(path, &holder, before);
  ASSERT_TRUE(WriteFile(path, OwnResource(kPicture6x3)));
  TextureCache::LoadFromFile(path, &holder, after);
  DeleteFileW(AsWide(path));
  EXPECT_EQ(before.texture, nullptr);
  EXPECT_NE(after.texture, nullptr);
  EXPECT_EQ(after.width, 6u);
}

TEST_F(TextureCacheTest, ModuleThatAppearsLaterIsLoadedAtTheNextRequest) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  ds_string folder = FromWide(exe);
  folder = folder.substr(0, folder.find_last_of(u"\\/") + 1);
  const ds_string later = TempPath(L"lumivane_later_module.dll");
  DeleteFileW(AsWide(later));
  HMODULE m = nullptr;
  EXPECT_FALSE(holder.cache->GetModule(later, m));
  EXPECT_EQ(m, nullptr);
  ASSERT_TRUE(CopyFileW(AsWide(folder + kModule), AsWide(later), FALSE));
  EXPECT_TRUE(holder.cache->GetModule(later, m));
  EXPECT_NE(m, nullptr);
  HMODULE again = nullptr;
  EXPECT_TRUE(holder.cache->GetModule(later, again));
  EXPECT_EQ(again, m);
}

// Every vertex of the quad: position on z = 0, a unit normal along z, and the uv the file gives it.
void ExpectQuadVertices(const MeshData& mesh) {
  ASSERT_FALSE(mesh.Empty());
  EXPECT_EQ(mesh.vertexCount, 4);
  EXPECT_EQ(mesh.faceCount, 2);
  EXPECT_NEAR(mesh.radius, std::sqrt(2.0f), 1e-4);
  EXPECT_NEAR(mesh.centre[0], 0.0f, 1e-5);
  EXPECT_NEAR(mesh.centre[1], 0.0f, 1e-5);
  // Read back for the test only: the buffers are write-only for drawing, and managed, so the copy the
  // runtime keeps can be locked.
  void* p = nullptr;
  ASSERT_HRESULT_SUCCEEDED(mesh.vertexBuffer->Lock(0, 0, &p, D3DLOCK_READONLY));
  const float* v = static_cast<const float*>(p);
  for (int i = 0; i < 4; ++i, v += 8) {
    EXPECT_FLOAT_EQ(std::fabs(v[0]), 1.0f);
    EXPECT_FLOAT_EQ(v[2], 0.0f);
    EXPECT_NEAR(std::fabs(v[5]), 1.0f, 1e-5) << "computed normal";
    EXPECT_NEAR(v[3], 0.0f, 1e-5);
    EXPECT_FLOAT_EQ(v[6], (v[0] + 1) / 2) << "u";
    EXPECT_FLOAT_EQ(v[7], (1 - v[1]) / 2) << "v";
  }
  mesh.vertexBuffer->Unlock();
  ASSERT_HRESULT_SUCCEEDED(mesh.indexBuffer->Lock(0, 0, &p, D3DLOCK_READONLY));
  std::set<WORD> used(static_cast<const WORD*>(p), static_cast<const WORD*>(p) + 6);
  mesh.indexBuffer->Unlock();
  EXPECT_EQ(used, (std::set<WORD>{0, 1, 2, 3}));
}

TEST_F(TextureCacheTest, MeshesLoadFromModuleBytesAndFileIntoOwnBuffers) {
  MeshData fromModule, cached, fromBytes, fromBytesAgain, fromFile;
  TextureCache::GetMesh(Record(kQuadMesh, kModule), &holder, fromModule, 32);
  ExpectQuadVertices(fromModule);
  // Keyed by id alone: another module's record gets the mesh already decoded.
  TextureCache::GetMesh(Record(kQuadMesh, kNoModule, u"", OwnResource(kNotAPicture)), &holder, cached, 32);
  EXPECT_EQ(cached.vertexBuffer, fromModule.vertexBuffer);

  const std::vector<BYTE> quad = OwnResource(kQuadMesh);
  ASSERT_FALSE(quad.empty());
  TextureCache::GetMesh(Record(kMissingId, kNoModule, u"quad.x", quad), &holder, fromBytes, 32);
  TextureCache::GetMesh(Record(kMissingId, kNoModule, u"quad.x", quad), &holder, fromBytesAgain, 32);
  ExpectQuadVertices(fromBytes);
  EXPECT_NE(fromBytes.vertexBuffer, fromBytesAgain.vertexBuffer) << "document meshes are not cached here";

  const ds_string path = TempPath(L"lumivane_quad.x");
  ASSERT_TRUE(WriteFile(path, quad));
  EXPECT_TRUE(MeshData::LoadFromFile(path, 32, &fromFile));
  DeleteFileW(AsWide(path));
  ExpectQuadVertices(fromFile);
}

TEST_F(TextureCacheTest, MeshesThatCannotBeDecodedStayEmptyAndAreNotCached) {
  const std::vector<BYTE> quad = OwnResource(kQuadMesh);
  const std::vector<BYTE> text = OwnResource(kNotAPicture);
  struct Case {
    const char* what;
    std::vector<BYTE> bytes;
    int stride;
  } cases[] = {
      {"not X data", text, 32},
      {"no bytes", {}, 32},
      {"a stride other than 32", quad, 36},
      {"truncated", std::vector<BYTE>(quad.begin(), quad.begin() + quad.size() / 2), 32},
  };
  for (const Case& c : cases) {
    MeshData m;
    m.radius = 5;  // stale values must not survive a failure
    EXPECT_FALSE(MeshData::LoadFromMemory(c.bytes.data(), static_cast<INT>(c.bytes.size()), c.stride, &m)) << c.what;
    EXPECT_TRUE(m.Empty()) << c.what;
    EXPECT_EQ(m.radius, 0.0f) << c.what;
  }
  MeshData missing, fine;
  TextureCache::GetMesh(Record(kMissingId, kModule), &holder, missing, 32);
  EXPECT_TRUE(missing.Empty());
  EXPECT_TRUE(holder.cache->moduleMeshes[kMissingId].empty()) << "a failure is not cached as a mesh";
  TextureCache::GetMesh(Record(kQuadMesh, kModule), &holder, fine, 32);
  EXPECT_FALSE(fine.Empty());
}

TEST_F(TextureCacheTest, ConvertCreateDefaultPoolAndSaveAsDds) {
  IDirect3DTexture9* source = nullptr;
  TextureCache::GetTextureById(&source, &holder, kPicture6x3);
  ASSERT_NE(source, nullptr);

  IDirect3DTexture9* held = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CreateDefaultPoolTexture(&held, 16, 8, D3DUSAGE_DYNAMIC));
  IDirect3DTexture9* out = held;
  held->AddRef();  // watch what ConvertTexture does with the texture *out held
  ConvertTexture(16, 16, &source, &out, D3DFMT_A8R8G8B8);
  EXPECT_EQ(Refs(held), 1u) << "the texture out held is released";
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(Width(out), 16u);
  EXPECT_EQ(out->GetLevelCount(), 5u) << "a full chain below level 0";
  EXPECT_EQ(Texel(out, 4, 4), 0xFF0000u) << "the whole 8 x 4 source, scaled";

  IDirect3DTexture9* nullSource = nullptr;
  ConvertTexture(16, 16, &nullSource, &out, D3DFMT_A8R8G8B8);
  EXPECT_EQ(out, nullptr);

  // A dynamic default-pool texture replaces the one held before and can be written.
  CreateDefaultPoolTexture(&held, 32, 16, D3DUSAGE_DYNAMIC);
  ASSERT_NE(held, nullptr);
  D3DSURFACE_DESC d;
  held->GetLevelDesc(0, &d);
  EXPECT_EQ(d.Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
  D3DLOCKED_RECT lr;
  EXPECT_HRESULT_SUCCEEDED(held->LockRect(0, &lr, nullptr, 0));
  held->UnlockRect(0);
  SafeRelease(&held);

  // Wine's D3DX cannot write DDS files (not implemented); then the result must be a clean failure.
  ID3DXBuffer* dds = reinterpret_cast<ID3DXBuffer*>(1);
  if (SUCCEEDED(SaveTextureAsDds(&source, &dds))) {
    ASSERT_NE(dds, nullptr);
    const BYTE* bytes = static_cast<const BYTE*>(dds->GetBufferPointer());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 4), "DDS ");
    TextureInfo back;
    TextureCache::LoadFromMemory(back, bytes, static_cast<int>(dds->GetBufferSize()));
    EXPECT_EQ(back.width, 8u);
    EXPECT_EQ(Texel(back.texture, 0, 0), 0x0000FFu);
    dds->Release();
  } else {
    EXPECT_EQ(dds, nullptr);
  }
  source->Release();

  IDirect3DTexture9* none = nullptr;
  ID3DXBuffer* noBytes = reinterpret_cast<ID3DXBuffer*>(1);
  EXPECT_TRUE(FAILED(SaveTextureAsDds(&none, &noBytes)));
  EXPECT_EQ(noBytes, nullptr);
}

TEST_F(TextureCacheTest, DecodedPicturesAndMeshesSurviveADeviceReset) {
  IDirect3DTexture9* picture = nullptr;
  TextureCache::GetTextureById(&picture, &holder, kPicture6x3);
  MeshData mesh;
  TextureCache::GetMesh(Record(kQuadMesh, kModule), &holder, mesh, 32);
  ASSERT_NE(picture, nullptr);
  ASSERT_FALSE(mesh.Empty());
  D3DPRESENT_PARAMETERS pp = test_.presentParameters();
  ASSERT_HRESULT_SUCCEEDED(device()->Reset(&pp)) << "nothing decoded here is in the default pool";
  EXPECT_EQ(Texel(picture, 0, 0), 0x0000FFu);
  ExpectQuadVertices(mesh);
  picture->Release();
}

// The icon layer is painted into a 32-bit bitmap and copied onto a dynamic default-pool texture through
// the surface's device context: the copy must keep the alpha byte it was given.
TEST_F(TextureCacheTest, DynamicTextureTakesABitmapThroughItsDeviceContextWithAlpha) {
  IDirect3DTexture9* tex = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CreateDefaultPoolTexture(&tex, 4, 2, D3DUSAGE_DYNAMIC));
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = 4;
  bi.bmiHeader.biHeight = 2;  // bottom-up
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  DWORD* px = static_cast<DWORD*>(bits);
  for (int i = 0; i < 8; ++i) px[i] = 0xFF102030;
  px[4] = 0x00010101;  // memory row 1 is the top row: the transparent key colour at (0, 0)
  GdiFlush();

  IDirect3DSurface9* level = nullptr;
  ASSERT_HRESULT_SUCCEEDED(tex->GetSurfaceLevel(0, &level));
  HDC target = nullptr;
  ASSERT_HRESULT_SUCCEEDED(level->GetDC(&target));
  BitBlt(target, 0, 0, 4, 2, dc, 0, 0, SRCCOPY);
  level->ReleaseDC(target);
  level->Release();
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);

  D3DLOCKED_RECT lr;
  ASSERT_HRESULT_SUCCEEDED(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY));
  const DWORD* row0 = static_cast<const DWORD*>(lr.pBits);
  EXPECT_EQ(row0[0], 0x00010101u) << "alpha 0 kept";
  EXPECT_EQ(row0[1], 0xFF102030u) << "alpha 255 kept";
  tex->UnlockRect(0);
  tex->Release();
}

TEST_F(TextureCacheTest, GridIndexBufferHoldsTheGridTriangles) {
  GridIndexBuffer grid;
  ASSERT_TRUE(grid.Create());
  EXPECT_EQ(grid.triangleCount, 128);
  EXPECT_EQ(grid.locked, nullptr);
  ASSERT_NE(grid.Lock(), nullptr);
  EXPECT_EQ(std::vector<WORD>(grid.locked, grid.locked + 6), (std::vector<WORD>{0, 1, 9, 9, 1, 10}));
  EXPECT_EQ(std::vector<WORD>(grid.locked + 378, grid.locked + 384), (std::vector<WORD>{70, 71, 79, 79, 71, 80}));
  grid.buffer->Unlock();

  lumi_test::SavedGlobal<IDirect3DDevice9*> withoutDevice(g_D3DDevice, nullptr);
  GridIndexBuffer noDevice;
  EXPECT_FALSE(noDevice.Create());
  EXPECT_EQ(noDevice.triangleCount, 0);
}

}  // namespace
