#include "scene/scene_document.h"

#include <memory>

#include "scene/doc_res_manager.h"
#include "scene/module_resources.h"

namespace {

SceneRootReader g_rootReader = {nullptr, nullptr};

struct RootDeleter {
  void operator()(DS_SlideShow_Light* root) const {
    if (root && g_rootReader.destroy) g_rootReader.destroy(root);
  }
};

}  // namespace

void SetSceneRootReader(const SceneRootReader& reader) { g_rootReader = reader; }

const SceneRootReader& CurrentSceneRootReader() { return g_rootReader; }

DS_SlideShow_Light* LoadSceneDocument() {
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!CurrentModuleResources().Find(nullptr, kSceneDocumentId, ModuleResourceType::kDds, &data, &size) || !data ||
      size == 0)
    throw kNoSceneDocument;
  ResourceBuffer buffer(data, size);
  ds_string header;
  ReadArchiveString(&buffer, &header);

  if (!g_rootReader.read) throw DocFormatError("no reader for the scene root");
  DS_IOF_R<ResourceBuffer> reader(&buffer);
  DS_IOF_Virtual* stream = &reader;
  std::unique_ptr<DS_SlideShow_Light, RootDeleter> root(g_rootReader.read(&stream));
  std::unique_ptr<DS_DocResManager> manager(DS_DocResManager::CreateFromStream(&stream));
  if (manager) g_DocResManager = manager.release();  // lives for the rest of the run
  return root.release();
}
