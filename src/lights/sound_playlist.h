// The looping playlist of the scene's sound tracks and the volume the sound graph is given.
#pragma once

#include <functional>

#include "platform/types.h"

// Graph event codes that end the playing track.
constexpr int kGraphEventComplete = 1;    // played to its end
constexpr int kGraphEventErrorAbort = 3;  // stopped by a stream error

// The sound graph's volume in hundredths of a decibel for a volume of 0..100 (values outside are
// clamped): -10000 when muted, else (volume - 100) x 100 x 0.4 truncated toward zero, so 100 gives 0,
// 50 gives -2000 and 0 gives -4000.
LONG GraphVolume(int volume, bool mute);

// The playlist position: tracks play in order and wrap to the first, so a single track repeats. A track
// that does not start, or that is stopped by an error, is passed over; when every track in turn has
// failed since the last one that played to its end, the playlist stops.
class SoundPlaylist {
 public:
  // Starts track `track` from its beginning; false when it cannot be played.
  using PlayTrack = std::function<bool(int track)>;

  // At scene start: plays from the first track. Returns the track playing, or -1.
  int Start(int trackCount, const PlayTrack& play);
  // The playing track has finished: plays the next one. Returns the track playing, or -1.
  int PlayNext(int trackCount, const PlayTrack& play);
  // One event of the sound graph: a completed track moves on to the next one, an aborted track counts
  // as failed and moves on; every other code changes nothing. Returns the track playing, or -1.
  int OnGraphEvent(int eventCode, int trackCount, const PlayTrack& play);

  // The track playing, or -1 when none is.
  int Current() const { return current_; }

 private:
  int PlayFrom(int first, int trackCount, const PlayTrack& play);

  int current_ = -1;
  int next_ = 0;      // the track the next PlayNext starts with
  int failures_ = 0;  // tracks in a row that failed since one played to its end
};
