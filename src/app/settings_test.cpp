#include "app/settings.h"

#include <gtest/gtest.h>

#include "app/frame_pacing.h"
#include "app/memory_registry.h"

namespace {

const RegRoot kUser = RegRoot::CurrentUser;

RegValue Bytes(DWORD type, std::vector<BYTE> data) {
  RegValue v;
  v.type = type;
  v.data = data;
  return v;
}

TEST(FrameInterval, FollowsPriorityAndTreatsStrayValuesAsNormal) {
  struct Case {
    DWORD sleepTime;
    UINT ms;
  } cases[] = {{0, 10}, {1, 30}, {2, 60}, {3, 30}, {0xFFFFFFFFu, 30}, {1000000, 30}};
  for (const Case& c : cases) EXPECT_EQ(FrameIntervalForSleepTime(c.sleepTime), c.ms) << c.sleepTime;
}

TEST(FramePacing, LoopDrawsOnlyWhenStrictlyPastAndTimerArmsTwoIntervalsAhead) {
  double next = 1.0;
  EXPECT_FALSE(LoopFrameDue(1.0, next, 30));  // equal is not past
  EXPECT_DOUBLE_EQ(next, 1.0);
  EXPECT_TRUE(LoopFrameDue(1.01, next, 30));
  EXPECT_DOUBLE_EQ(next, 1.04);
  EXPECT_FALSE(LoopFrameDue(1.03, next, 30));
  EXPECT_DOUBLE_EQ(ArmedNextFrameTime(2.0, 60), 2.12);

  // Without a high-resolution counter the clock reads -1 and only the timer draws.
  double armed = ArmedNextFrameTime(-1.0, 10);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(LoopFrameDue(-1.0, armed, 10));
}

TEST(SettingsStore, DefaultsCreateTheKeyAndWriteNothing) {
  MemoryRegistry reg;
  SettingsStore s(reg);
  EXPECT_EQ(s.GetSleepTime(), 1);
  EXPECT_EQ(s.GetFrameIntervalMs(), 30u);
  EXPECT_EQ(s.GetPicPos(), 2);
  EXPECT_EQ(s.GetSoundVolume(), 100);
  EXPECT_TRUE(s.GetMute());
  EXPECT_FALSE(s.GetIconSmoothing());
  EXPECT_TRUE(reg.HasKey(kUser, REGKEY_SETTINGS));
  for (const char16_t* name : {REGVAL_SLEEP_TIME, REGVAL_PICPOS, REGVAL_SOUND_VOLUME, REGVAL_MUTE,
                               REGVAL_ICON_SMOOTHING})
    EXPECT_EQ(reg.Find(kUser, REGKEY_SETTINGS, name), nullptr);
}

TEST(SettingsStore, StoredNamesCarryTheirQuotes) {
  MemoryRegistry reg;
  reg.SetValue(kUser, REGKEY_SETTINGS, u"\"PicPos\"", DwordValue(0));
  reg.SetValue(kUser, REGKEY_SETTINGS, u"PicPos", DwordValue(1));
  reg.SetValue(kUser, REGKEY_SETTINGS, u"\"Sleep time\"", DwordValue(2));
  SettingsStore s(reg);
  EXPECT_EQ(s.GetPicPos(), 0);
  EXPECT_EQ(s.GetFrameIntervalMs(), 60u);
}

TEST(SettingsStore, ReadsOnceThenServesTheCache) {
  MemoryRegistry reg;
  reg.SetValue(kUser, REGKEY_SETTINGS, REGVAL_SOUND_VOLUME, DwordValue(40));
  SettingsStore s(reg);
  EXPECT_EQ(s.GetSoundVolume(), 40);
  reg.SetValue(kUser, REGKEY_SETTINGS, REGVAL_SOUND_VOLUME, DwordValue(70));
  EXPECT_EQ(s.GetSoundVolume(), 40);
  EXPECT_EQ(reg.queries, 1);
}

TEST(SettingsStore, SettersWriteThroughAtOnce) {
  MemoryRegistry reg;
  reg.SetValue(kUser, REGKEY_SETTINGS, REGVAL_MUTE, DwordValue(1));
  SettingsStore s(reg);
  s.SetMute(false);
  EXPECT_FALSE(s.GetMute());
  EXPECT_EQ(s.SetPicPos(1), 1);
  EXPECT_TRUE(s.SetIconSmoothing(true));
  s.SetSoundVolume(55);
  s.SetSleepTime(0);
  EXPECT_EQ(s.GetFrameIntervalMs(), 10u);

  struct Expect {
    const char16_t* name;
    DWORD value;
  } expected[] = {{REGVAL_MUTE, 0}, {REGVAL_PICPOS, 1}, {REGVAL_ICON_SMOOTHING, 1}, {REGVAL_SOUND_VOLUME, 55},
                  {REGVAL_SLEEP_TIME, 0}};
  for (const Expect& e : expected) {
    const RegValue* v = reg.Find(kUser, REGKEY_SETTINGS, e.name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, static_cast<DWORD>(kRegDword));
    EXPECT_EQ(v->data, DwordValue(e.value).data);
  }
  // A fresh store (the next run) reads what was written.
  SettingsStore next(reg);
  EXPECT_EQ(next.GetSoundVolume(), 55);
  EXPECT_TRUE(next.GetIconSmoothing());
}

TEST(SettingsStore, ValuesOfTheWrongTypeOrSizeKeepTheDefault) {
  struct Case {
    const char* what;
    RegValue stored;
  } cases[] = {
      {"text", StringValue(u"0")},
      {"binary of four bytes", Bytes(kRegBinary, {0, 0, 0, 0})},
      {"short dword", Bytes(kRegDword, {7, 0})},
      {"long dword", Bytes(kRegDword, {7, 0, 0, 0, 0, 0, 0, 0})},
  };
  for (const Case& c : cases) {
    MemoryRegistry reg;
    reg.SetValue(kUser, REGKEY_SETTINGS, REGVAL_SOUND_VOLUME, c.stored);
    reg.SetValue(kUser, REGKEY_SETTINGS, REGVAL_MUTE, c.stored);
    SettingsStore s(reg);
    EXPECT_EQ(s.GetSoundVolume(), 100) << c.what;
    EXPECT_TRUE(s.GetMute()) << c.what;
  }
}

TEST(SettingsStore, UnopenableKeyKeepsDefaultsAndLosesWrites) {
  MemoryRegistry reg;
  reg.Deny(kUser, REGKEY_SETTINGS);
  SettingsStore s(reg);
  EXPECT_EQ(s.GetPicPos(), 2);
  s.SetPicPos(0);
  EXPECT_EQ(s.GetPicPos(), 0);  // the running program keeps the choice
  EXPECT_EQ(reg.Find(kUser, REGKEY_SETTINGS, REGVAL_PICPOS), nullptr);
  DWORD show = 1;
  EXPECT_FALSE(s.ReadStartup(show));
}

TEST(SettingsStore, StartupReadsShowDialogWithoutQuotes) {
  MemoryRegistry reg;
  SettingsStore s(reg);
  DWORD show = 1;
  EXPECT_TRUE(s.ReadStartup(show));
  EXPECT_EQ(show, 1u);
  EXPECT_TRUE(reg.HasKey(kUser, REGKEY_SETTINGS));
  s.WriteShowDialog(0);
  ASSERT_NE(reg.Find(kUser, REGKEY_SETTINGS, u"Show dialog"), nullptr);
  EXPECT_TRUE(s.ReadStartup(show));
  EXPECT_EQ(show, 0u);
}

TEST(Autorun, OnOnlyForTheExactModulePath) {
  const ds_string path = u"C:\\Program Files\\Lumivane\\Lumivane.exe";
  RegValue unterminated = StringValue(path);
  unterminated.data.resize(unterminated.data.size() - 2);
  RegValue trailing = StringValue(path);
  trailing.data.insert(trailing.data.end() - 2, {'x', 0});
  RegValue nullInside = StringValue(path);
  nullInside.data.insert(nullInside.data.end(), {'x', 0, 0, 0});
  struct Case {
    const char* what;
    RegValue stored;
    bool on;
  } cases[] = {
      {"same path", StringValue(path), true},
      {"without terminator", unterminated, true},
      {"more after a terminator", nullInside, true},
      {"other letter case", StringValue(u"c:\\program files\\lumivane\\lumivane.exe"), false},
      {"longer", trailing, false},
      {"prefix only", StringValue(u"C:\\Program Files\\Lumivane"), false},
      {"quoted", StringValue(u"\"" + path + u"\""), false},
      {"expandable text", [&] { RegValue v = StringValue(path); v.type = kRegExpandSz; return v; }(), false},
      {"binary", Bytes(kRegBinary, StringValue(path).data), false},
  };
  for (const Case& c : cases) {
    MemoryRegistry reg;
    reg.SetValue(kUser, REGKEY_RUN, REGVAL_AUTORUN, c.stored);
    EXPECT_EQ(IsAutorunEnabled(reg, path), c.on) << c.what;
  }
  MemoryRegistry none;
  EXPECT_FALSE(IsAutorunEnabled(none, path));
}

TEST(Autorun, WritingOnAndOff) {
  const ds_string path = u"C:\\Lumivane.exe";
  MemoryRegistry reg;
  EXPECT_TRUE(WriteAutorun(reg, true, path));
  const RegValue* v = reg.Find(kUser, REGKEY_RUN, u"Lumivane");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->type, static_cast<DWORD>(kRegSz));
  EXPECT_EQ(v->data.size(), (path.size() + 1) * 2);  // the terminating null is stored
  EXPECT_TRUE(IsAutorunEnabled(reg, path));
  EXPECT_TRUE(WriteAutorun(reg, false, path));
  EXPECT_FALSE(IsAutorunEnabled(reg, path));

  MemoryRegistry denied;
  denied.Deny(kUser, REGKEY_RUN);
  EXPECT_FALSE(WriteAutorun(denied, true, path));
  EXPECT_FALSE(IsAutorunEnabled(denied, path));
}

}  // namespace
