#include "lights/sound_playlist.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

TEST(GraphVolume, MapsVolumeAndMute) {
  struct Case {
    int volume;
    bool mute;
    LONG expected;
  } cases[] = {
      {100, false, 0},     {50, false, -2000},  {0, false, -4000},   {1, false, -3960},
      {99, false, -40},    {100, true, -10000}, {0, true, -10000},   {50, true, -10000},
      {150, false, 0},     {-5, false, -4000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GraphVolume(c.volume, c.mute), c.expected) << c.volume << (c.mute ? " muted" : "");
  }
}

// Plays through a recorded list of requests; tracks in `broken` do not start.
struct Player {
  std::set<int> broken;
  std::vector<int> requests;
  SoundPlaylist::PlayTrack Fn() {
    return [this](int track) {
      requests.push_back(track);
      return broken.count(track) == 0;
    };
  }
};

TEST(SoundPlaylist, PlaysInOrderAndWraps) {
  struct Case {
    int tracks;
    std::vector<int> expected;  // Start, then five completions
  } cases[] = {
      {1, {0, 0, 0, 0, 0, 0}},
      {2, {0, 1, 0, 1, 0, 1}},
      {3, {0, 1, 2, 0, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tracks);
    Player p;
    SoundPlaylist list;
    std::vector<int> playing = {list.Start(c.tracks, p.Fn())};
    for (int i = 0; i < 5; ++i) playing.push_back(list.OnGraphEvent(kGraphEventComplete, c.tracks, p.Fn()));
    EXPECT_EQ(playing, c.expected);
    EXPECT_EQ(p.requests, c.expected);
  }
}

TEST(SoundPlaylist, NoTracksPlaysNothing) {
  Player p;
  SoundPlaylist list;
  EXPECT_EQ(list.Start(0, p.Fn()), -1);
  EXPECT_EQ(list.OnGraphEvent(kGraphEventComplete, 0, p.Fn()), -1);
  EXPECT_TRUE(p.requests.empty());
}

TEST(SoundPlaylist, TrackThatDoesNotStartIsPassedOver) {
  Player p;
  p.broken = {1};
  SoundPlaylist list;
  EXPECT_EQ(list.Start(3, p.Fn()), 0);
  EXPECT_EQ(list.PlayNext(3, p.Fn()), 2);
  EXPECT_EQ(list.PlayNext(3, p.Fn()), 0);
  EXPECT_EQ(p.requests, (std::vector<int>{0, 1, 2, 0}));

  // The first track broken at scene start.
  Player q;
  q.broken = {0};
  SoundPlaylist first;
  EXPECT_EQ(first.Start(2, q.Fn()), 1);
  EXPECT_EQ(first.PlayNext(2, q.Fn()), 1);
  EXPECT_EQ(q.requests, (std::vector<int>{0, 1, 0, 1}));
}

TEST(SoundPlaylist, StopsAfterOneCycleOfFailures) {
  Player p;
  p.broken = {0, 1, 2};
  SoundPlaylist list;
  EXPECT_EQ(list.Start(3, p.Fn()), -1);
  EXPECT_EQ(list.Current(), -1);
  EXPECT_EQ(p.requests, (std::vector<int>{0, 1, 2}));
}

TEST(SoundPlaylist, AbortedTrackCountsAsFailed) {
  // Track 1 starts but is always stopped by an error; track 0 plays to its end.
  Player p;
  SoundPlaylist list;
  EXPECT_EQ(list.Start(2, p.Fn()), 0);
  EXPECT_EQ(list.OnGraphEvent(kGraphEventComplete, 2, p.Fn()), 1);
  EXPECT_EQ(list.OnGraphEvent(kGraphEventErrorAbort, 2, p.Fn()), 0);
  EXPECT_EQ(list.OnGraphEvent(kGraphEventComplete, 2, p.Fn()), 1);

  // Every track aborts: one cycle, then silence; a late abort changes nothing.
  Player q;
  SoundPlaylist all;
  EXPECT_EQ(all.Start(2, q.Fn()), 0);
  EXPECT_EQ(all.OnGraphEvent(kGraphEventErrorAbort, 2, q.Fn()), 1);
  EXPECT_EQ(all.OnGraphEvent(kGraphEventErrorAbort, 2, q.Fn()), -1);
  EXPECT_EQ(all.OnGraphEvent(kGraphEventErrorAbort, 2, q.Fn()), -1);
  EXPECT_EQ(q.requests, (std::vector<int>{0, 1}));
}

TEST(SoundPlaylist, OtherEventsChangeNothing) {
  Player p;
  SoundPlaylist list;
  list.Start(2, p.Fn());
  for (int code : {0x0D, 0x0E, 2, 0x10}) EXPECT_EQ(list.OnGraphEvent(code, 2, p.Fn()), 0);
  EXPECT_EQ(p.requests, std::vector<int>{0});
}

TEST(SoundPlaylist, FewerTracksThanTheCursorStartsOver) {
  Player p;
  SoundPlaylist list;
  list.Start(3, p.Fn());
  list.PlayNext(3, p.Fn());  // cursor now at 2
  EXPECT_EQ(list.PlayNext(2, p.Fn()), 0);
}

}  // namespace
