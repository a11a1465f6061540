// The fuzzer's seeds (tools/fuzz/seeds) hold an object of every class the reader registries know, so
// that fuzzing starts inside every reader: a class added to a registry without a seed fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/reader_list.h"
#include "fuzz/seed_documents.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "scene/doc_res_manager.h"
#include "scene/item_bases.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "support/fake_module_resources.h"

namespace {

// scripts/fuzz's -max_len: the fuzzer cuts longer inputs, so a longer seed loses its end.
const size_t kFuzzMaxLen = 65536;

std::string Narrow(const ds_string& s) { return std::string(s.begin(), s.end()); }

std::set<std::string> Names(const std::vector<ds_string>& names) {
  std::set<std::string> out;
  for (const ds_string& n : names) out.insert(Narrow(n));
  return out;
}

// The class name an object stores in its section: the first string its save writes.
std::string StoredClassName(DS_IOF_Item& object) {
  DS_IOF_W writer;
  DS_IOF_Virtual* stream = &writer;
  object.Save(&stream);
  ResourceBuffer buffer(writer.Bytes().data(), writer.Bytes().size());
  ds_string name;
  ReadArchiveString(&buffer, &name);
  return Narrow(name);
}

struct SeedClasses {
  std::set<std::string> lights, slides, items;
};

struct Seed {
  std::string file;
  size_t size = 0;
  std::string failure;  // empty when it compiled and loaded
};

// Every seed compiled and loaded as the program loads its document, and the classes of the slides, lights
// and items that were read from them.
struct LoadedSeeds {
  std::vector<Seed> seeds;
  SeedClasses classes;

  LoadedSeeds() {
    RegisterAllReaders();
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(LUMI_FUZZ_SEEDS))
      if (entry.path().extension() == ".scene") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
      Seed seed;
      seed.file = std::filesystem::path(file).filename().string();
      try {
        std::vector<BYTE> doc = CompileSeedFile(file);
        seed.size = doc.size();
        Load(doc);
      } catch (const std::exception& e) {
        seed.failure = e.what();
      } catch (unsigned int code) {
        seed.failure = "error " + std::to_string(code);
      }
      seeds.push_back(seed);
    }
  }

  void Load(const std::vector<BYTE>& doc) {
    FakeModuleResources modules;
    modules.AddDds(nullptr, kSceneDocumentId, doc);
    struct Cleanup {
      DS_SlideShow_Light* root = nullptr;
      ~Cleanup() {
        if (root) CurrentSceneRootReader().destroy(root);
        delete g_DocResManager;
        g_DocResManager = nullptr;
      }
    } cleanup;
    cleanup.root = LoadSceneDocument();
    for (const CountedPtr<DS_SlideContainer>& slide : cleanup.root->slides) {
      classes.slides.insert(StoredClassName(*slide));
      if (slide->picture) classes.lights.insert(StoredClassName(*slide->picture));
      for (const auto& item : slide->items) classes.items.insert(StoredClassName(*item));
    }
  }
};

const LoadedSeeds& Seeds() {
  static const LoadedSeeds seeds;
  return seeds;
}

std::vector<std::string> Missing(const std::set<std::string>& registry, const std::set<std::string>& seeds) {
  std::vector<std::string> missing;
  std::set_difference(registry.begin(), registry.end(), seeds.begin(), seeds.end(), std::back_inserter(missing));
  return missing;
}

TEST(FuzzSeeds, EachLoadsAndFitsTheFuzzersInputLength) {
  ASSERT_FALSE(Seeds().seeds.empty());
  for (const Seed& seed : Seeds().seeds) {
    SCOPED_TRACE(seed.file);
    EXPECT_EQ("", seed.failure);
    EXPECT_LE(seed.size, kFuzzMaxLen);
  }
}

TEST(FuzzSeeds, HoldEveryClassOfTheReaderRegistries) {
  RegisterAllReaders();
  const SeedClasses& held = Seeds().classes;
  const struct {
    const char* registry;
    std::set<std::string> names;
    const std::set<std::string>& seeds;
  } families[] = {
      {"light", Names(GetLightReaderRegistry().Names()), held.lights},
      {"slide", Names(GetSlideContainerReaderRegistry().Names()), held.slides},
      {"scene item", Names(GetConstructorReaderRegistry().Names()), held.items},
  };
  for (const auto& family : families) {
    SCOPED_TRACE(family.registry);
    EXPECT_FALSE(family.names.empty());
    EXPECT_EQ(std::vector<std::string>(), Missing(family.names, family.seeds)) << "classes without a seed";
  }
}

}  // namespace
