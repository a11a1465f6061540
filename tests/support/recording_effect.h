// A recording effect: every technique, parameter and pass call is appended to a call log as one line, so
// tests check which technique and which parameters by name are set before each draw. The log also names
// objects (textures, meshes, effects) so that lines read "texture Texture1=glow". Reference counted; the
// effect is never deleted by Release.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/d3dx_effect.h"
#include "platform/types.h"

namespace lumi_test {

struct CallLog {
  std::vector<std::string> calls;
  std::map<const void*, std::string> names;

  // The object's given name; "null" for a null pointer, "?" for an unnamed one.
  std::string Name(const void* p) const;
  void Add(const std::string& line) { calls.push_back(line); }
  // The lines that start with prefix, in order.
  std::vector<std::string> With(const std::string& prefix) const;
};

// Floats as the log writes them: shortest form, comma separated.
std::string FloatsText(const float* f, UINT count);

class RecordingEffect : public ID3DXEffect {
 public:
  RecordingEffect(CallLog& log, const std::string& name) : log_(log) { log_.names[this] = name; }
  virtual ~RecordingEffect() {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }

  // The name's handle when the test offers the technique (offered), else null; not logged.
  D3DXHANDLE STDMETHODCALLTYPE GetTechniqueByName(const char* name) override;
  HRESULT STDMETHODCALLTYPE SetTechnique(D3DXHANDLE technique) override;
  HRESULT STDMETHODCALLTYPE SetValue(D3DXHANDLE parameter, const void* data, UINT bytes) override;
  HRESULT STDMETHODCALLTYPE SetBool(D3DXHANDLE parameter, BOOL b) override;
  HRESULT STDMETHODCALLTYPE SetInt(D3DXHANDLE parameter, INT n) override;
  HRESULT STDMETHODCALLTYPE SetFloat(D3DXHANDLE parameter, FLOAT f) override;
  HRESULT STDMETHODCALLTYPE SetFloatArray(D3DXHANDLE parameter, const FLOAT* f, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
  HRESULT STDMETHODCALLTYPE SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
  HRESULT STDMETHODCALLTYPE Begin(UINT* passes, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE BeginPass(UINT pass) override;
  HRESULT STDMETHODCALLTYPE CommitChanges() override;
  HRESULT STDMETHODCALLTYPE EndPass() override;
  HRESULT STDMETHODCALLTYPE End() override;
  HRESULT STDMETHODCALLTYPE OnLostDevice() override;
  HRESULT STDMETHODCALLTYPE OnResetDevice() override;

#ifdef _WIN32
  // The rest of the real interface; none of it is recorded.
  HRESULT STDMETHODCALLTYPE GetDesc(D3DXEFFECT_DESC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetParameterDesc(D3DXHANDLE, D3DXPARAMETER_DESC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTechniqueDesc(D3DXHANDLE, D3DXTECHNIQUE_DESC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPassDesc(D3DXHANDLE, D3DXPASS_DESC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFunctionDesc(D3DXHANDLE, D3DXFUNCTION_DESC*) override { return E_NOTIMPL; }
  D3DXHANDLE STDMETHODCALLTYPE GetParameter(D3DXHANDLE, UINT) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetParameterByName(D3DXHANDLE, const char*) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetParameterBySemantic(D3DXHANDLE, const char*) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetParameterElement(D3DXHANDLE, UINT) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetTechnique(UINT) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetPass(D3DXHANDLE, UINT) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetPassByName(D3DXHANDLE, const char*) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetFunction(UINT) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetFunctionByName(const char*) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetAnnotation(D3DXHANDLE, UINT) override { return nullptr; }
  D3DXHANDLE STDMETHODCALLTYPE GetAnnotationByName(D3DXHANDLE, const char*) override { return nullptr; }
  HRESULT STDMETHODCALLTYPE GetValue(D3DXHANDLE, void*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBool(D3DXHANDLE, WINBOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBoolArray(D3DXHANDLE, const WINBOOL*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBoolArray(D3DXHANDLE, WINBOOL*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInt(D3DXHANDLE, INT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetIntArray(D3DXHANDLE, const INT*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIntArray(D3DXHANDLE, INT*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFloat(D3DXHANDLE, FLOAT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFloatArray(D3DXHANDLE, FLOAT*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVector(D3DXHANDLE, D3DXVECTOR4*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetVectorArray(D3DXHANDLE, const D3DXVECTOR4*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVectorArray(D3DXHANDLE, D3DXVECTOR4*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMatrix(D3DXHANDLE, D3DXMATRIX*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMatrixArray(D3DXHANDLE, const D3DXMATRIX*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMatrixArray(D3DXHANDLE, D3DXMATRIX*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMatrixPointerArray(D3DXHANDLE, const D3DXMATRIX**, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMatrixPointerArray(D3DXHANDLE, D3DXMATRIX**, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMatrixTranspose(D3DXHANDLE, const D3DXMATRIX*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMatrixTranspose(D3DXHANDLE, D3DXMATRIX*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMatrixTransposeArray(D3DXHANDLE, const D3DXMATRIX*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMatrixTransposeArray(D3DXHANDLE, D3DXMATRIX*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMatrixTransposePointerArray(D3DXHANDLE, const D3DXMATRIX**, UINT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetMatrixTransposePointerArray(D3DXHANDLE, D3DXMATRIX**, UINT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetString(D3DXHANDLE, const char*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetString(D3DXHANDLE, const char**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTexture(D3DXHANDLE, IDirect3DBaseTexture9**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPixelShader(D3DXHANDLE, IDirect3DPixelShader9**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVertexShader(D3DXHANDLE, IDirect3DVertexShader9**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetArrayRange(D3DXHANDLE, UINT, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPool(ID3DXEffectPool**) override { return E_NOTIMPL; }
  D3DXHANDLE STDMETHODCALLTYPE GetCurrentTechnique() override { return nullptr; }
  HRESULT STDMETHODCALLTYPE ValidateTechnique(D3DXHANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindNextValidTechnique(D3DXHANDLE, D3DXHANDLE*) override { return E_NOTIMPL; }
  WINBOOL STDMETHODCALLTYPE IsParameterUsed(D3DXHANDLE, D3DXHANDLE) override { return FALSE; }
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStateManager(ID3DXEffectStateManager*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStateManager(ID3DXEffectStateManager**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginParameterBlock() override { return E_NOTIMPL; }
  D3DXHANDLE STDMETHODCALLTYPE EndParameterBlock() override { return nullptr; }
  HRESULT STDMETHODCALLTYPE ApplyParameterBlock(D3DXHANDLE) override { return E_NOTIMPL; }
#if D3DX_SDK_VERSION >= 26
  HRESULT STDMETHODCALLTYPE DeleteParameterBlock(D3DXHANDLE) override { return E_NOTIMPL; }
#endif
  HRESULT STDMETHODCALLTYPE CloneEffect(IDirect3DDevice9*, ID3DXEffect**) override { return E_NOTIMPL; }
#if D3DX_SDK_VERSION >= 27
  HRESULT STDMETHODCALLTYPE SetRawValue(D3DXHANDLE, const void*, UINT, UINT) override { return E_NOTIMPL; }
#endif
#endif  // _WIN32

  long refs = 1;
  UINT passes = 1;  // what Begin reports
  std::vector<std::string> offered;  // techniques found by name besides the ones set by name

 private:
  CallLog& log_;
};

}  // namespace lumi_test
