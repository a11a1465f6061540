// A document resource manager that holds pictures as a scene document carries them: records with a name
// and the file's bytes, saved through the manager and read back, so that each is the document's own
// picture, its size from its header and its frames decoded at its first request.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "scene/stream.h"

namespace lumi_test {

// The caller owns the result.
inline DS_DocResManager* ReadDocumentPictures(const std::vector<std::pair<DocFileKey, std::vector<BYTE>>>& pictures) {
  DS_DocResManager written;
  for (const auto& p : pictures) {
    DocResourceRecord r(0, u"");
    r.blob.name = p.first.name;
    r.blob.SetBytes(static_cast<INT>(p.second.size()), p.second.data());
    written.Maps().resourceData[p.first].push_back(r);
    written.RegisterImageForSave(DS_ImageFileLink{DS_FileLink3(p.first)});
  }
  DS_IOF_W w;
  DS_IOF_Virtual* out = &w;
  written.Save(&out);
  const std::vector<BYTE> bytes = w.TakeBytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  DS_IOF_Virtual* in = &r;
  return DS_DocResManager::CreateFromStream(&in);
}

}  // namespace lumi_test
