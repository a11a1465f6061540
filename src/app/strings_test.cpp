#include "app/strings.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/saved_global.h"

namespace {

// String-table blocks built from texts, by block number and language.
class FakeTable : public StringTableSeam {
 public:
  void Put(WORD language, UINT id, const ds_string& text) {
    auto& entries = texts_[{static_cast<WORD>(id / 16 + 1), language}];
    entries.resize(16);
    entries[id % 16] = text;
    Rebuild();
  }
  bool FindBlock(WORD block, WORD language, const BYTE*& data, size_t& size) const override {
    auto b = blocks_.find({block, language});
    if (b == blocks_.end()) return false;
    data = b->second.data();
    size = b->second.size();
    return true;
  }
  std::map<std::pair<WORD, WORD>, std::vector<BYTE>> blocks_;

 private:
  void Rebuild() {
    blocks_.clear();
    for (auto& t : texts_) {
      std::vector<BYTE>& out = blocks_[t.first];
      for (const ds_string& s : t.second) {
        out.push_back(static_cast<BYTE>(s.size()));
        out.push_back(static_cast<BYTE>(s.size() >> 8));
        for (char16_t c : s) {
          out.push_back(static_cast<BYTE>(c));
          out.push_back(static_cast<BYTE>(c >> 8));
        }
      }
    }
  }
  std::map<std::pair<WORD, WORD>, std::vector<ds_string>> texts_;
};

TEST(StringTable, FindsEntriesAcrossBlocks) {
  FakeTable t;
  struct Case {
    UINT id;
    ds_string text;
  } cases[] = {{0, u"zero"}, {3, u"https://lumivane.org/wallpapers"}, {15, u"last of block 1"}, {16, u"first of 2"},
               {300, u"Settings"}, {308, u"Don\u2019t show this at startup"}, {326, u"Mute sound"}};
  for (const Case& c : cases) t.Put(1033, c.id, c.text);
  for (const Case& c : cases) EXPECT_EQ(LoadResString(t, c.id), c.text) << c.id;
  EXPECT_EQ(LoadResString(t, 4), u"");  // an empty entry of an existing block
  // Only the low 16 bits of the id count.
  EXPECT_EQ(LoadResString(t, 0x10000 + 300), u"Settings");
}

TEST(StringTable, CutsLongStringsTo259Units) {
  FakeTable t;
  ds_string s259(259, u'x'), s260(260, u'y'), s300(300, u'z');
  t.Put(1033, 1, s259);
  t.Put(1033, 2, s260);
  t.Put(1033, 3, s300);
  char16_t buf[kResStringChars];
  EXPECT_EQ(LoadResStringBuf(t, 1, buf), 259u);
  EXPECT_EQ(ds_string(buf), s259);
  EXPECT_EQ(LoadResStringBuf(t, 2, buf), 259u);
  EXPECT_EQ(ds_string(buf), s260.substr(0, 259));
  EXPECT_EQ(ds_string(buf), ds_string(259, u'y'));
  EXPECT_EQ(LoadResString(t, 3), ds_string(259, u'z'));
}

TEST(StringTable, PrefersTheCurrentLanguageThenFallsBack) {
  FakeTable t;
  t.Put(1033, 301, u"Lumivane is running");
  t.Put(1031, 302, u"Lumivane (de)");
  t.Put(1033, 302, u"Lumivane");
  {
    lumi_test::SavedGlobal<WORD> german(g_ResourceLanguage, 1031);
    EXPECT_EQ(LoadResString(t, 302), u"Lumivane (de)");
    // Block 19 exists in 1031, so 301 is looked up there and is empty: fallback is per block, not per string.
    EXPECT_EQ(LoadResString(t, 301), u"");
    EXPECT_EQ(LoadResString(t, 1), u"");
  }
  EXPECT_EQ(LoadResString(t, 301), u"Lumivane is running");
}

TEST(StringTable, DamagedOrMissingBlocksGiveEmptyStrings) {
  FakeTable t;
  t.Put(1033, 5, u"help");
  char16_t buf[kResStringChars];
  buf[0] = u'?';
  EXPECT_EQ(LoadResStringBuf(t, 40, buf), 0u);  // no block in either language
  EXPECT_EQ(buf[0], u'\0');

  std::vector<BYTE>& block = t.blocks_[{1, 1033}];
  std::vector<BYTE> whole = block;
  block.resize(10 + 4);  // entry 5 claims 4 units but the block ends after one
  block[10] = 4;
  EXPECT_EQ(LoadResString(t, 5), u"");
  block.resize(3);  // ends inside the first length
  EXPECT_EQ(LoadResString(t, 5), u"");
  EXPECT_EQ(LoadResString(t, 0), u"");
  block = whole;
  EXPECT_EQ(LoadResString(t, 5), u"help");
}

}  // namespace
