#include "scene/guid_text.h"

#include <gtest/gtest.h>

namespace {

const GUID kSample = {0x0123ABCD, 0x4E5F, 0x6789, {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67, 0x89}};

TEST(GuidText, FormatsUpperCaseRegistryForm) {
  EXPECT_EQ(FormatGuidText(kSample), u"{0123ABCD-4E5F-6789-ABCD-EF0123456789}");
  EXPECT_EQ(FormatGuidText(GUID()), u"{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidText, ParsesEitherCaseAndRejectsOtherText) {
  GUID g = {};
  EXPECT_TRUE(ParseGuidText(u"{0123abcd-4e5f-6789-abcd-ef0123456789}", &g));
  EXPECT_EQ(g, kSample);
  const char16_t* bad[] = {
      u"",
      u"0123ABCD-4E5F-6789-ABCD-EF0123456789",
      u"{0123ABCD-4E5F-6789-ABCD-EF012345678}",
      u"{0123ABCD-4E5F-6789-ABCD-EF01234567890}",
      u"{0123ABCD-4E5F-6789-ABCDXEF0123456789}",
      u"{0123ABCG-4E5F-6789-ABCD-EF0123456789}",
      u"{0123ABCD-4E5F-6789-ABCD-EF0123456789)",
  };
  for (const char16_t* t : bad) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(t)));
    GUID keep = kSample;
    EXPECT_FALSE(ParseGuidText(t, &keep));
    EXPECT_EQ(keep, kSample);
    EXPECT_FALSE(GuidFromText(t, &keep));
    EXPECT_EQ(keep, kSample);
  }
}

// On Windows the system's text form is the platform's; it must agree with the portable pair.
TEST(GuidText, SystemFormAgreesWithPortableForm) {
  for (int i = 0; i < 32; ++i) {
    GUID g = NewGuid();
    ds_string text = GuidToText(g);
    EXPECT_EQ(text, FormatGuidText(g));
    GUID back = {};
    EXPECT_TRUE(GuidFromText(text, &back));
    EXPECT_EQ(back, g);
    GUID portable = {};
    EXPECT_TRUE(ParseGuidText(text, &portable));
    EXPECT_EQ(portable, g);
  }
}

TEST(GuidText, FreshGuidsDiffer) { EXPECT_NE(NewGuid(), NewGuid()); }

TEST(GuidText, StoredGuidRoundTripsAndBadTextKeepsPreset) {
  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteGuid(&ws, kSample);
  ws->WriteString(u"not a guid");
  EXPECT_EQ(w.Bytes().size(), 4u + 76u + 4u + 20u);

  ResourceBuffer b(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&b);
  DS_IOF_Virtual* rs = &r;
  GUID g = {};
  ReadGuid(&rs, &g);
  EXPECT_EQ(g, kSample);
  GUID preset = {7, 7, 7, {7}};
  GUID expected = preset;
  ReadGuid(&rs, &preset);
  EXPECT_EQ(preset, expected);
}

}  // namespace
