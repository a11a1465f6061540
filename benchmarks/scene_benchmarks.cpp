// Native benchmarks of the demo scene the program embeds: loading its document, and one frame move of
// its slide show (slide timing, the fade, the current picture's camera and render objects).
//   benchmarks [--benchmark_...] [--document=<path>]
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/reader_list.h"
#include "lights/slide_show.h"
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

// False, with the benchmark skipped, when there is no document to read.
bool HaveDocument(benchmark::State& state) {
  if (!DemoDocument().empty()) return true;
  state.SkipWithError(("no demo document at '" + g_documentPath + "'").c_str());
  return false;
}

// The program's own file as the loader sees it: the document as "DDS" 107, with every class's reader
// registered as the program does before it loads.
struct EmbeddedDocument {
  FakeModuleResources modules;
  explicit EmbeddedDocument(const std::vector<BYTE>& doc) {
    RegisterAllReaders();
    modules.AddDds(nullptr, kSceneDocumentId, doc);
  }
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
  if (!HaveDocument(state)) return;
  EmbeddedDocument embedded(doc);
  for (auto _ : state) {
    DS_SlideShow_Light* root = nullptr;
    try {
      root = LoadSceneDocument();
    } catch (...) {
      state.SkipWithError("the demo document does not load");
      return;
    }
    DestroyLoaded(root);  // uses the result, so the load cannot be left out
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_LoadDemoDocument)->Unit(benchmark::kMillisecond);

// Frames at 60 a second from the start of the scene, so that slide changes and fades are among them.
void BM_DemoFrameMove(benchmark::State& state) {
  if (!HaveDocument(state)) return;
  EmbeddedDocument embedded(DemoDocument());
  std::unique_ptr<DS_SlideShow_Light> show;
  try {
    show.reset(LoadSceneDocument());
  } catch (...) {
    state.SkipWithError("the demo document does not load");
    return;
  }
  for (const CountedPtr<DS_SlideContainer>& slide : show->slides) slide->CreateObjects();
  double t = 0;
  for (auto _ : state) {
    show->FrameMove(t);
    t += 1.0 / 60;
  }
  benchmark::DoNotOptimize(show->FadeAlpha());
  show.reset();
  DestroyLoaded(nullptr);
}
BENCHMARK(BM_DemoFrameMove);

}  // namespace

const std::vector<BYTE>* DemoDocumentFor(benchmark::State& state) {
  return HaveDocument(state) ? &DemoDocument() : nullptr;
}

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--document=", 11) == 0) g_documentPath = argv[i] + 11;
  RegisterSlideShowReaders();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
