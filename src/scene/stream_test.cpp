#include "scene/stream.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/fake_module_resources.h"

namespace {

typedef std::vector<BYTE> Bytes;

void PutLE(Bytes* b, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b->push_back(static_cast<BYTE>(v >> (8 * i)));
}

// Marker, then the given length bytes, then count units 'a', 'b', ...
Bytes StoredString(const Bytes& lengthBytes, size_t units) {
  Bytes b = {0xFF, 0xFE, 0xFF};
  for (BYTE x : lengthBytes) b.push_back(x);
  for (size_t i = 0; i < units; ++i) PutLE(&b, u'a' + i % 26, 2);
  return b;
}

struct Reader {
  explicit Reader(const Bytes& b) : bytes(b), buffer(bytes.data(), bytes.size()), stream(&buffer) {}
  size_t Consumed() const { return static_cast<size_t>(buffer.cursor - bytes.data()); }
  Bytes bytes;
  ResourceBuffer buffer;
  DS_IOF_R<ResourceBuffer> stream;
};

TEST(ArchiveString, ReadsEveryLengthForm) {
  struct Case {
    const char* name;
    Bytes lengthBytes;
    size_t units;
    size_t consumed;
  } cases[] = {
      {"one byte", {0x0B}, 11, 26},
      {"sixteen bits", {0xFF, 0x00, 0x01}, 256, 6 + 512},
      {"thirty-two bits", {0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00}, 3, 10 + 6},
      {"long form for a short string", {0xFF, 0x02, 0x00}, 2, 6 + 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reader r(StoredString(c.lengthBytes, c.units));
    ds_string s = u"old";
    r.stream.ReadString(&s);
    EXPECT_EQ(s.size(), c.units);
    EXPECT_EQ(s[0], u'a');
    EXPECT_EQ(r.Consumed(), c.consumed);
  }
}

TEST(ArchiveString, MarkerIsSkippedUnchecked) {
  Bytes b = {0x00, 0x12, 0x34, 0x01, 'x', 0};
  Reader r(b);
  ds_string s;
  r.stream.ReadString(&s);
  EXPECT_EQ(s, u"x");
}

TEST(ArchiveString, ZeroLengthKeepsTargetAndNulCutsButConsumesAll) {
  Reader empty(StoredString({0x00}, 0));
  ds_string s = u"kept";
  empty.stream.ReadString(&s);
  EXPECT_EQ(s, u"kept");
  EXPECT_EQ(empty.Consumed(), 4u);

  Bytes b = {0xFF, 0xFE, 0xFF, 0x04, 'a', 0, 'b', 0, 0, 0, 'c', 0, 'z', 0};
  Reader cut(b);
  cut.stream.ReadString(&s);
  EXPECT_EQ(s, u"ab");
  EXPECT_EQ(cut.Consumed(), 12u);

  Bytes lead = {0xFF, 0xFE, 0xFF, 0x02, 0, 0, 'b', 0};
  Reader leadingNul(lead);
  leadingNul.stream.ReadString(&s);
  EXPECT_EQ(s, u"");
}

TEST(ArchiveString, WriterUsesShortestFormAndReadsBack) {
  struct Case {
    size_t units;
    size_t stored;
  } cases[] = {{0, 4}, {1, 6}, {254, 4 + 508}, {255, 6 + 510}, {65534, 6 + 131068}, {65535, 10 + 131070}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.units);
    ds_string s(c.units, u'\x00e9');
    if (c.units) s[c.units - 1] = u'\xFFFF';  // units above 0x7FFF are kept as they are
    DS_IOF_W w;
    w.WriteString(s);
    ASSERT_EQ(w.Bytes().size(), c.stored);
    EXPECT_EQ(w.Bytes()[0], 0xFF);
    EXPECT_EQ(w.Bytes()[1], 0xFE);
    EXPECT_EQ(w.Bytes()[2], 0xFF);
    Reader r(w.Bytes());
    ds_string back = u"x";
    r.stream.ReadString(&back);
    EXPECT_EQ(back, c.units ? s : u"x");
    EXPECT_EQ(r.Consumed(), c.stored);
  }
}

TEST(DocumentStream, EveryKindRoundTripsInOrder) {
  DocResourceRecord rec(75, u"basekit.dll");
  rec.blob.name = u"pic.png";
  const char data[] = "\x01\x02\x03";
  rec.blob.SetBytes(3, data);
  DocNamedBlob blob;
  blob.name = u"sound.mp3";
  blob.SetBytes(2, "\xAA\xBB");

  DS_IOF_W w;
  w.WriteResourceRecord(rec);
  w.WriteNamedBlob(blob);
  w.WriteString(u"name");
  w.WriteInt64(-5000000000LL);
  w.WriteFloat(-1.5f);
  w.WritePoint(POINT{-3, 7});
  w.WriteDword(0xDEADBEEFu);
  w.WriteUInt(42u);
  w.WriteByte(0x80);
  w.WriteBool(true);
  w.WriteInt(-2);

  Reader r(w.Bytes());
  DocResourceRecord rec2;
  DocNamedBlob blob2;
  ds_string s;
  INT64 i64 = 0;
  float f = 0;
  POINT p = {};
  DWORD d = 0;
  UINT u = 0;
  BYTE by = 0;
  bool bo = false;
  INT i = 0;
  r.stream.ReadResourceRecord(&rec2);
  r.stream.ReadNamedBlob(&blob2);
  r.stream.ReadString(&s);
  r.stream.ReadInt64(&i64);
  r.stream.ReadFloat(&f);
  r.stream.ReadPoint(&p);
  r.stream.ReadDword(&d);
  r.stream.ReadUInt(&u);
  r.stream.ReadByte(&by);
  r.stream.ReadBool(&bo);
  r.stream.ReadInt(&i);
  EXPECT_EQ(r.Consumed(), w.Bytes().size());
  EXPECT_EQ(rec2.resourceId, 75);
  EXPECT_EQ(rec2.module, u"basekit.dll");
  EXPECT_EQ(rec2.blob.name, u"pic.png");
  ASSERT_EQ(rec2.blob.Size(), 3);
  EXPECT_EQ(0, memcmp(rec2.blob.Data(), data, 3));
  EXPECT_EQ(blob2.name, u"sound.mp3");
  EXPECT_EQ(blob2.Size(), 2);
  EXPECT_EQ(s, u"name");
  EXPECT_EQ(i64, -5000000000LL);
  EXPECT_EQ(f, -1.5f);
  EXPECT_EQ(p.x, -3);
  EXPECT_EQ(p.y, 7);
  EXPECT_EQ(d, 0xDEADBEEFu);
  EXPECT_EQ(u, 42u);
  EXPECT_EQ(by, 0x80);
  EXPECT_TRUE(bo);
  EXPECT_EQ(i, -2);
}

TEST(DocumentStream, StoredFormsAreLittleEndianAndBoolIsAnyNonZero) {
  DS_IOF_W w;
  w.WriteInt(0x01020304);
  w.WriteBool(true);
  w.WriteBool(false);
  EXPECT_EQ(w.Bytes(), (Bytes{0x04, 0x03, 0x02, 0x01, 0x01, 0x00}));

  Reader r(Bytes{0x7F, 0x00});
  bool a = false, b = true;
  r.stream.ReadBool(&a);
  r.stream.ReadBool(&b);
  EXPECT_TRUE(a);
  EXPECT_FALSE(b);
}

TEST(DocumentStream, BlobOfSizeZeroAllocatesNothingAndDropsOldBytes) {
  DS_IOF_W w;
  DocNamedBlob empty;
  empty.name = u"n";
  w.WriteNamedBlob(empty);
  EXPECT_EQ(w.Bytes().size(), 4u + 6u);

  Reader r(w.Bytes());
  DocNamedBlob target;
  target.SetBytes(3, "abc");
  r.stream.ReadNamedBlob(&target);
  EXPECT_EQ(target.Size(), 0);
  EXPECT_EQ(target.Data(), nullptr);
  EXPECT_EQ(target.name, u"n");
  EXPECT_EQ(r.Consumed(), 10u);
}

TEST(DocumentStream, CopiesOfRecordsAreDeep) {
  DocResourceRecord a(0, u"");
  a.blob.SetBytes(2, "xy");
  DocResourceRecord b = a;
  a.blob.SetBytes(1, "z");
  ASSERT_EQ(b.blob.Size(), 2);
  EXPECT_EQ(b.blob.Data()[0], 'x');
}

// Every read of a damaged or truncated document is a format error, and none reads outside the bytes.
TEST(DocumentStream, DamagedInputIsAFormatError) {
  auto read = [](std::function<void(DS_IOF_Virtual&)> f) { return f; };
  Bytes hugeString = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 'a', 0};
  Bytes hugeLongForm = {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 'a', 0};
  Bytes negativeBlob;
  PutLE(&negativeBlob, 0xFFFFFFFFu, 4);
  negativeBlob.insert(negativeBlob.end(), 8, 0);
  Bytes blobBeyondEnd;
  PutLE(&blobBeyondEnd, 5, 4);
  PutLE(&blobBeyondEnd, 0, 4);
  Bytes recordBadModule;
  PutLE(&recordBadModule, 7, 4);
  recordBadModule.insert(recordBadModule.end(), {0xFF, 0xFE, 0xFF, 0x09, 'a', 0});
  struct Case {
    const char* name;
    Bytes bytes;
    std::function<void(DS_IOF_Virtual&)> op;
  } cases[] = {
      {"empty int", {}, read([](DS_IOF_Virtual& s) { INT v; s.ReadInt(&v); })},
      {"short dword", {1, 2, 3}, read([](DS_IOF_Virtual& s) { DWORD v; s.ReadDword(&v); })},
      {"short uint", {1}, read([](DS_IOF_Virtual& s) { UINT v; s.ReadUInt(&v); })},
      {"short int64", {1, 2, 3, 4, 5, 6, 7}, read([](DS_IOF_Virtual& s) { INT64 v; s.ReadInt64(&v); })},
      {"short float", {1, 2}, read([](DS_IOF_Virtual& s) { float v; s.ReadFloat(&v); })},
      {"short point", {1, 2, 3, 4, 5}, read([](DS_IOF_Virtual& s) { POINT v; s.ReadPoint(&v); })},
      {"empty bool", {}, read([](DS_IOF_Virtual& s) { bool v; s.ReadBool(&v); })},
      {"empty byte", {}, read([](DS_IOF_Virtual& s) { BYTE v; s.ReadByte(&v); })},
      {"marker only", {0xFF, 0xFE}, read([](DS_IOF_Virtual& s) { ds_string v; s.ReadString(&v); })},
      {"cut length form", {0xFF, 0xFE, 0xFF, 0xFF, 0x10},
       read([](DS_IOF_Virtual& s) { ds_string v; s.ReadString(&v); })},
      {"string past end", {0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'},
       read([](DS_IOF_Virtual& s) { ds_string v; s.ReadString(&v); })},
      {"string length near 2^31", hugeString, read([](DS_IOF_Virtual& s) { ds_string v; s.ReadString(&v); })},
      {"string 16-bit length past end", hugeLongForm,
       read([](DS_IOF_Virtual& s) { ds_string v; s.ReadString(&v); })},
      {"negative blob size", negativeBlob, read([](DS_IOF_Virtual& s) { DocNamedBlob v; s.ReadNamedBlob(&v); })},
      {"blob past end", blobBeyondEnd, read([](DS_IOF_Virtual& s) { DocNamedBlob v; s.ReadNamedBlob(&v); })},
      {"record module past end", recordBadModule,
       read([](DS_IOF_Virtual& s) { DocResourceRecord v; s.ReadResourceRecord(&v); })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A copy on the heap with exactly these bytes, so that the sanitizer sees any read past them.
    std::unique_ptr<BYTE[]> exact(new BYTE[c.bytes.size() + 1]);
    std::copy(c.bytes.begin(), c.bytes.end(), exact.get());
    ResourceBuffer buffer(exact.get(), c.bytes.size());
    DS_IOF_R<ResourceBuffer> stream(&buffer);
    EXPECT_THROW(c.op(stream), DocFormatError);
    EXPECT_LE(buffer.cursor, buffer.end);
  }
}

TEST(DocumentStream, FloatVectorFromBufferChecksCountFirst) {
  Bytes ok;
  PutLE(&ok, 2, 4);
  PutLE(&ok, 0x3F800000u, 4);  // 1.0
  PutLE(&ok, 0x40000000u, 4);  // 2.0
  ResourceBuffer b(ok.data(), ok.size());
  std::vector<float> v = {9, 9, 9};
  ReadFloatVectorFromBuffer(&v, &b);
  EXPECT_EQ(v, (std::vector<float>{1.0f, 2.0f}));
  EXPECT_EQ(b.Remaining(), 0u);

  for (uint32_t count : {3u, 0x40000001u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(count);
    Bytes bad = ok;
    bad[0] = static_cast<BYTE>(count);
    bad[1] = static_cast<BYTE>(count >> 8);
    bad[2] = static_cast<BYTE>(count >> 16);
    bad[3] = static_cast<BYTE>(count >> 24);
    ResourceBuffer bb(bad.data(), bad.size());
    EXPECT_THROW(ReadFloatVectorFromBuffer(&v, &bb), DocFormatError);
  }
}

TEST(DocumentStream, WriterStreamRefusesReads) {
  DS_IOF_W w;
  INT v;
  EXPECT_THROW(w.ReadInt(&v), DocFormatError);
}

TEST(StreamHelpers, FileNameAndDllExtension) {
  EXPECT_EQ(FileNameFromPath(u"C:\\sounds\\rain.mp3"), u"rain.mp3");
  EXPECT_EQ(FileNameFromPath(u"rain.mp3"), u"");
  EXPECT_EQ(FileNameFromPath(u"C:\\sounds\\"), u"");
  EXPECT_EQ(CompareWithDllExtension(u".dll"), 0);
  EXPECT_NE(CompareWithDllExtension(u".DLL"), 0);
  EXPECT_LT(CompareWithDllExtension(u".dl"), 0);
  EXPECT_GT(CompareWithDllExtension(u".dlls"), 0);
}

TEST(ModuleResourceData, RecordLoadsFromModuleOrOwnFile) {
  FakeModuleResources res;
  HMODULE kit = res.AddModule(u"basekit.dll");
  res.AddDds(kit, 75, {1, 2, 3});
  res.AddDds(nullptr, 2, {9});
  res.Add(kit, 76, ModuleResourceType::kRcData, {5});

  DocResourceRecord fromKit(75, u"basekit.dll");
  EXPECT_TRUE(fromKit.LoadFromModule());
  EXPECT_EQ(fromKit.blob.Size(), 3);

  DocResourceRecord ownFile(2, u"missing.dll");  // a module that does not load searches the program
  EXPECT_TRUE(ownFile.LoadFromModule());
  EXPECT_EQ(ownFile.blob.Size(), 1);

  struct Case {
    INT id;
    const char* why;
  } misses[] = {{76, "only an effect resource"}, {77, "absent"}, {0, "not an ordinal"},
                {65536 + 75, "outside 16 bits"}, {-1, "negative"}};
  for (const Case& c : misses) {
    SCOPED_TRACE(c.why);
    DocResourceRecord r(c.id, u"basekit.dll");
    r.blob.SetBytes(1, "k");
    EXPECT_FALSE(r.LoadFromModule());
    EXPECT_EQ(r.blob.Size(), 1);
  }

  ResourceBuffer b;
  EXPECT_TRUE(b.LoadModuleResource(kit, 65536 + 75));  // the low 16 bits
  EXPECT_EQ(b.Remaining(), 3u);
  ResourceBuffer none;
  EXPECT_FALSE(none.LoadModuleResource(kit, 76));
  EXPECT_EQ(none.cursor, nullptr);
}

}  // namespace
