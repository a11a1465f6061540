#include "support/recording_effect.h"

#include <cstdio>

namespace lumi_test {

std::string CallLog::Name(const void* p) const {
  if (!p) return "null";
  auto it = names.find(p);
  return it == names.end() ? "?" : it->second;
}

std::vector<std::string> CallLog::With(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

std::string FloatsText(const float* f, UINT count) {
  std::string out;
  for (UINT i = 0; i < count; ++i) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%g", static_cast<double>(f[i]));
    if (i) out += ",";
    out += buf;
  }
  return out;
}

namespace {
std::string Param(D3DXHANDLE h) { return h ? std::string(h) : std::string("(null)"); }
}  // namespace

D3DXHANDLE RecordingEffect::GetTechniqueByName(const char* name) {
  for (const std::string& t : offered)
    if (name && t == name) return t.c_str();
  return nullptr;
}
HRESULT RecordingEffect::SetTechnique(D3DXHANDLE technique) {
  log_.Add("technique " + Param(technique));
  return S_OK;
}
HRESULT RecordingEffect::SetValue(D3DXHANDLE parameter, const void*, UINT bytes) {
  log_.Add("value " + Param(parameter) + " " + std::to_string(bytes));
  return S_OK;
}
HRESULT RecordingEffect::SetBool(D3DXHANDLE parameter, BOOL b) {
  log_.Add("bool " + Param(parameter) + "=" + std::to_string(b ? 1 : 0));
  return S_OK;
}
HRESULT RecordingEffect::SetInt(D3DXHANDLE parameter, INT n) {
  log_.Add("int " + Param(parameter) + "=" + std::to_string(n));
  return S_OK;
}
HRESULT RecordingEffect::SetFloat(D3DXHANDLE parameter, FLOAT f) {
  log_.Add("float " + Param(parameter) + "=" + FloatsText(&f, 1));
  return S_OK;
}
HRESULT RecordingEffect::SetFloatArray(D3DXHANDLE parameter, const FLOAT* f, UINT count) {
  log_.Add("floats " + Param(parameter) + "=" + FloatsText(f, count));
  return S_OK;
}
HRESULT RecordingEffect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* v) {
  log_.Add("vector " + Param(parameter) + "=" + FloatsText(&v->x, 4));
  return S_OK;
}
HRESULT RecordingEffect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* m) {
  log_.Add("matrix " + Param(parameter) + "=" + FloatsText(&m->_11, 16));
  return S_OK;
}
HRESULT RecordingEffect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
  // Textures are named by the pointer the caller passed; a texture derives from the base texture.
  log_.Add("texture " + Param(parameter) + "=" + log_.Name(static_cast<IDirect3DBaseTexture9*>(texture)));
  return S_OK;
}
HRESULT RecordingEffect::Begin(UINT* n, DWORD) {
  log_.Add("begin " + log_.Name(this));
  if (n) *n = passes;
  return S_OK;
}
HRESULT RecordingEffect::BeginPass(UINT pass) {
  log_.Add("pass " + std::to_string(pass));
  return S_OK;
}
HRESULT RecordingEffect::CommitChanges() {
  log_.Add("commit");
  return S_OK;
}
HRESULT RecordingEffect::EndPass() {
  log_.Add("end pass");
  return S_OK;
}
HRESULT RecordingEffect::End() {
  log_.Add("end " + log_.Name(this));
  return S_OK;
}
HRESULT RecordingEffect::OnLostDevice() {
  log_.Add("lost " + log_.Name(this));
  return S_OK;
}
HRESULT RecordingEffect::OnResetDevice() {
  log_.Add("reset " + log_.Name(this));
  return S_OK;
}

}  // namespace lumi_test
