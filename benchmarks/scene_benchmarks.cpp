// Native benchmarks of the scene document: loading the demo document the program embeds.
//   benchmarks [--benchmark_...] [--document=<path>]
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "scene/doc_res_manager.h"
#include "scene/scene_document.h"
#include "support/fake_module_resources.h"

namespace {

#ifdef LUMI_DEMO_DOCUMENT
std::string g_documentPath = LUMI_DEMO_DOCUMENT;
#else
std::string g_documentPath;
#endif

const std::vector<BYTE>& DemoDocument() {
  static std::vector<BYTE> bytes;
  if (bytes.empty() && !g_documentPath.empty()) {
    std::ifstream in(g_documentPath, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return bytes;
}

// The program's own file as the loader sees it: the document as "DDS" 107.
struct EmbeddedDocument {
  FakeModuleResources modules;
  explicit EmbeddedDocument(const std::vector<BYTE>& doc) { modules.AddDds(nullptr, kSceneDocumentId, doc); }
};

void DestroyLoaded(DS_SlideShow_Light* root) {
  if (root) CurrentSceneRootReader().destroy(root);
  delete g_DocResManager;
  g_DocResManager = nullptr;
}

// The whole document: header, scene root with its slides, items and tracks, and the resource section
// with every embedded picture and track.
void BM_LoadDemoDocument(benchmark::State& state) {
  const std::vector<BYTE>& doc = DemoDocument();
  if (doc.empty()) {
    state.SkipWithError(("no demo document at '" + g_documentPath + "'").c_str());
    return;
  }
  EmbeddedDocument embedded(doc);
  for (auto _ : state) {
    DS_SlideShow_Light* root = nullptr;
    try {
      root = LoadSceneDocument();
    } catch (...) {
      state.SkipWithError("the demo document does not load");
      return;
    }
    benchmark::DoNotOptimize(root);
    DestroyLoaded(root);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_LoadDemoDocument)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--document=", 11) == 0) g_documentPath = argv[i] + 11;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
