#include "lights/sound_playlist.h"

#include "platform/x86_convert.h"

LONG GraphVolume(int volume, bool mute) {
  if (mute) return -10000;
  if (volume < 0) volume = 0;
  if (volume > 100) volume = 100;
  return TruncToInt32((volume - 100) * 100 * 0.4);
}

int SoundPlaylist::Start(int trackCount, const PlayTrack& play) {
  failures_ = 0;
  return PlayFrom(0, trackCount, play);
}

int SoundPlaylist::PlayNext(int trackCount, const PlayTrack& play) {
  failures_ = 0;
  return PlayFrom(next_, trackCount, play);
}

int SoundPlaylist::OnGraphEvent(int eventCode, int trackCount, const PlayTrack& play) {
  if (eventCode == kGraphEventComplete) return PlayNext(trackCount, play);
  if (eventCode == kGraphEventErrorAbort && current_ >= 0) {
    current_ = -1;
    ++failures_;
    return PlayFrom(next_, trackCount, play);
  }
  return current_;
}

int SoundPlaylist::PlayFrom(int first, int trackCount, const PlayTrack& play) {
  current_ = -1;
  if (trackCount <= 0) {
    next_ = 0;
    return -1;
  }
  int track = first >= 0 && first < trackCount ? first : 0;
  while (failures_ < trackCount) {
    if (play(track)) {
      current_ = track;
      next_ = (track + 1) % trackCount;
      return track;
    }
    ++failures_;
    track = (track + 1) % trackCount;
  }
  next_ = track;
  return -1;
}
