// Round trips of 3D object items through their save methods and the scene-item reader registry.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "objects3d/object_array.h"
#include "scene/item_bases.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace lumi_test {

// The item's section as its save method writes it.
inline std::vector<BYTE> SavedBytes(DS_IOF_Item& item) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  item.Save(&s);
  return w.Bytes();
}

// The item a section makes through the registry; every byte must be read.
inline std::unique_ptr<DS_ABObj_Constructor> ReadItemBack(const std::vector<BYTE>& bytes) {
  RegisterObjects3DReaders();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_ABObj_Constructor> item(DS_ABObj_Constructor::CreateFromStream(&s));
  EXPECT_EQ(0u, buffer.Remaining()) << "bytes left after the section";
  return item;
}

}  // namespace lumi_test
