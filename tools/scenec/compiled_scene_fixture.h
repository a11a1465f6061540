// Tests of the scene compiler's builders: a description compiled into a document, then read back by the
// player's loader with every reader registered.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/reader_list.h"
#include "lights/slide_show.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "scenec/scene_compiler.h"
#include "support/fake_module_resources.h"

class CompiledSceneTest : public testing::Test {
 protected:
  static bool NoFiles(const std::string&, std::vector<BYTE>*) { return false; }

  // Other tests of this program install roots of their own, and the full registration runs only once:
  // the slide show's root comes back here.
  void SetUp() override {
    RegisterAllReaders();
    SetSceneRootReader({nullptr, nullptr});
    RegisterSlideShowReaders();
  }
  void TearDown() override {
    delete g_DocResManager;
    g_DocResManager = nullptr;
  }
  // A whole description compiled and read back.
  std::unique_ptr<DS_SlideShow_Light> LoadDocument(const std::string& text, SceneFileReader files = NoFiles) {
    modules.AddDds(nullptr, kSceneDocumentId, CompileScene(text, files));
    return std::unique_ptr<DS_SlideShow_Light>(LoadSceneDocument());
  }
  // The scene whose slide show holds the given statements, compiled and read back.
  std::unique_ptr<DS_SlideShow_Light> LoadScene(const std::string& body, SceneFileReader files = NoFiles) {
    return LoadDocument("scene DS_SlideShow_Light {\n" + body + "}\n", files);
  }
  // A scene of one plain slide that holds the given item statements.
  std::unique_ptr<DS_SlideShow_Light> Load(const std::string& items, SceneFileReader files = NoFiles) {
    return LoadScene(" slide DS_SlideContainer {\n" + items + "\n }\n", files);
  }

  FakeModuleResources modules;
};
