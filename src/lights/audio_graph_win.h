// Sound playback through one process-wide DirectShow filter graph. Its events reach the notify window
// as WM_GRAPH_EVENT; everything runs on the UI thread, the graph streams on its own threads.
#pragma once

#include "platform/types.h"
#include "platform/com_ref.h"

#ifndef NO_DSHOW_STRSAFE
#define NO_DSHOW_STRSAFE  // dshow.h would otherwise poison the C string functions
#endif
#include <dshow.h>

#include "lights/audio_file.h"
#include "lights/sound_playlist.h"

// Posted to the notify window when a graph event is waiting (instance data 0).
constexpr UINT WM_GRAPH_EVENT = 0x8000;

class AudioGraph {
 public:
  // Creates the graph and points its events at window. On failure the program stays silent; the
  // interfaces obtained before the failure stay set. Called again while the graph exists, it only
  // points the events at window.
  static bool Init(HWND window);
  // Stops playback, detaches the notify window and releases the interfaces.
  static void Release();
  // Stops playback; the graph keeps its filters.
  static void Stop();

  // Plays one track from its start, in place of the track before (whose filters leave the graph).
  // False when it cannot be played, or without a graph; a name that is no file is not handed to the graph.
  static bool PlayAudioFile(const DS_AudioFile* track);
  // Renders the source filter's "Output" pin, rewinds and runs; false at any missing piece or failure.
  static bool RenderSource(IBaseFilter* source);
  // Renders path by file name and runs; false on failure, when path is no file, or without a graph.
  static bool PlayFile(const ds_string& path);

  // Volume 0..100 and mute; kept, and given again to every track that starts.
  static void SetVolume(int volume, bool mute);
  // One waiting event code, or -1 when none is waiting or there is no graph.
  static int GetEvent();
  // Handles one WM_GRAPH_EVENT: every waiting event (a bounded number) goes to the playlist.
  static void HandleEvents(SoundPlaylist& playlist, int trackCount, const SoundPlaylist::PlayTrack& play);

  static IGraphBuilder* Builder() { return s_builder; }
  static IMediaControl* Control() { return s_control; }
  static IBasicAudio* Audio() { return s_audio; }

 private:
  static void RemoveAllFilters();
  static void ApplyVolume();

  static ComRef<IGraphBuilder> s_builder;
  static ComRef<IMediaControl> s_control;
  static ComRef<IMediaSeeking> s_seeking;
  static ComRef<IMediaEventEx> s_events;
  static ComRef<IBasicAudio> s_audio;
  static bool s_comInitialized;
  static bool s_volumeSet;
  static LONG s_volume;
};
