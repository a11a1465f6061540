// Fuzzes the scene document loader: every input is the program's embedded document. A damaged document
// must end in the loader's own exceptions, never in a crash, an overrun, a leak or undefined behaviour.
#include <cstdint>
#include <memory>

#include "fuzz/stand_in_root.h"
#include "scene/doc_res_manager.h"
#include "scene/scene_document.h"
#include "support/fake_module_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FakeModuleResources* modules = [] {
    UseStandInRootIfNeeded();
    return new FakeModuleResources;
  }();
  // An exact copy, so that the sanitizer sees any read past the document's end.
  modules->AddDds(nullptr, kSceneDocumentId, std::vector<BYTE>(data, data + size));
  const SceneRootReader& reader = CurrentSceneRootReader();
  try {
    DS_SlideShow_Light* root = LoadSceneDocument();
    if (root) reader.destroy(root);
  } catch (const DocFormatError&) {
  } catch (unsigned int) {
  }
  delete g_DocResManager;
  g_DocResManager = nullptr;
  return 0;
}
