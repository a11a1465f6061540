#include "lights/audio_graph_win.h"

#include <vector>

ComRef<IGraphBuilder> AudioGraph::s_builder;
ComRef<IMediaControl> AudioGraph::s_control;
ComRef<IMediaSeeking> AudioGraph::s_seeking;
ComRef<IMediaEventEx> AudioGraph::s_events;
ComRef<IBasicAudio> AudioGraph::s_audio;
bool AudioGraph::s_comInitialized = false;
bool AudioGraph::s_volumeSet = false;
LONG AudioGraph::s_volume = 0;

namespace {

// One more interface of the graph; null when the graph does not have it.
template <class T>
bool QueryGraph(IGraphBuilder* builder, REFIID iid, ComRef<T>& out) {
  if (SUCCEEDED(builder->QueryInterface(iid, reinterpret_cast<void**>(out.Out()))) && out) return true;
  out.Reset();
  return false;
}

// The graph's filters. A null entry stays in the list.
std::vector<ComRef<IBaseFilter>> GraphFilters(IGraphBuilder* builder) {
  std::vector<ComRef<IBaseFilter>> filters;
  ComRef<IEnumFilters> list;
  if (FAILED(builder->EnumFilters(list.Out())) || !list) return filters;
  ComRef<IBaseFilter> filter;
  while (list->Next(1, filter.Out(), nullptr) == S_OK) filters.push_back(std::move(filter));
  return filters;
}

// Whether path names a file, not a folder. Wine's filter graph keeps a thread (and its stack) for every
// source it could not open, and a looping playlist tries a failed track again on every round: a name that
// cannot be opened is never handed to it.
bool FileThere(const ds_string& path) { return SystemTrackFiles().FileExists(path); }

// Nothing is heard when the audio could not be rendered.
bool Rendered(HRESULT hr) { return SUCCEEDED(hr) && hr != VFW_S_AUDIO_NOT_RENDERED; }

// At most this many events are handled per notification, so that a stream of events (tracks that end
// at once) cannot hold the UI thread; each event also posts a notification of its own.
constexpr int kEventsPerNotification = 64;

}  // namespace

bool AudioGraph::Init(HWND window) {
  if (s_builder) return s_events && SUCCEEDED(s_events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_GRAPH_EVENT, 0));
  if (!s_comInitialized) {
    if (FAILED(CoInitialize(nullptr))) return false;
    s_comInitialized = true;
  }
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC, IID_IGraphBuilder,
                              reinterpret_cast<void**>(s_builder.Out())))) {
    s_builder.Reset();
    return false;
  }
  if (!QueryGraph(s_builder, IID_IMediaControl, s_control) || !QueryGraph(s_builder, IID_IMediaSeeking, s_seeking) ||
      !QueryGraph(s_builder, IID_IMediaEventEx, s_events) || !QueryGraph(s_builder, IID_IBasicAudio, s_audio)) {
    return false;
  }
  s_events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_GRAPH_EVENT, 0);
  return true;
}

void AudioGraph::Release() {
  Stop();
  if (s_events) s_events->SetNotifyWindow(0, 0, 0);
  s_audio.Reset();
  s_events.Reset();
  s_seeking.Reset();
  s_control.Reset();
  s_builder.Reset();
  s_volumeSet = false;
  if (s_comInitialized) {
    CoUninitialize();
    s_comInitialized = false;
  }
}

void AudioGraph::Stop() {
  if (s_control) s_control->Stop();
}

// Every play starts from an empty graph, so that a looping playlist does not pile up source filters
// and open files over days of running.
void AudioGraph::RemoveAllFilters() {
  if (!s_builder) return;
  Stop();
  for (const ComRef<IBaseFilter>& filter : GraphFilters(s_builder))
    if (filter) s_builder->RemoveFilter(filter);
}

bool AudioGraph::PlayAudioFile(const DS_AudioFile* track) {
  if (!track || !s_builder) return false;
  RemoveAllFilters();
  const ds_string& file = track->FileName();
  if (!FileThere(file)) return false;
  ComRef<IBaseFilter> source;
  if (FAILED(s_builder->AddSourceFilter(AsWide(file), AsWide(file), source.Out()))) source.Reset();
  if (RenderSource(source)) return true;
  RemoveAllFilters();
  return PlayFile(file);
}

bool AudioGraph::RenderSource(IBaseFilter* source) {
  if (!source || !s_builder) return false;
  ComRef<IPin> output;
  if (FAILED(source->FindPin(L"Output", output.Out())) || !output) return false;
  Stop();
  // Taking every filter out and putting it back unnamed leaves none of them connected.
  const std::vector<ComRef<IBaseFilter>> filters = GraphFilters(s_builder);
  bool complete = !filters.empty();
  for (const ComRef<IBaseFilter>& filter : filters) complete = complete && filter;
  if (!complete) return false;
  for (const ComRef<IBaseFilter>& filter : filters) {
    s_builder->RemoveFilter(filter);
    s_builder->AddFilter(filter, nullptr);
  }
  if (!Rendered(s_builder->Render(output))) return false;
  if (s_seeking) {
    LONGLONG start = 0;
    s_seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  ApplyVolume();
  return s_control && SUCCEEDED(s_control->Run());
}

bool AudioGraph::PlayFile(const ds_string& path) {
  if (!s_builder || !FileThere(path)) return false;
  if (!Rendered(s_builder->RenderFile(AsWide(path), nullptr))) {
    RemoveAllFilters();
    return false;
  }
  ApplyVolume();
  return s_control && SUCCEEDED(s_control->Run());
}

void AudioGraph::SetVolume(int volume, bool mute) {
  s_volume = GraphVolume(volume, mute);
  s_volumeSet = true;
  ApplyVolume();
}

// A renderer that joins the graph starts at full volume; each track gets the kept volume before it runs.
void AudioGraph::ApplyVolume() {
  if (s_audio && s_volumeSet) s_audio->put_Volume(s_volume);
}

int AudioGraph::GetEvent() {
  if (!s_events) return -1;
  long code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  if (s_events->GetEvent(&code, &param1, &param2, 0) != S_OK) return -1;
  s_events->FreeEventParams(code, param1, param2);
  return static_cast<int>(code);
}

void AudioGraph::HandleEvents(SoundPlaylist& playlist, int trackCount, const SoundPlaylist::PlayTrack& play) {
  for (int i = 0; i < kEventsPerNotification; ++i) {
    int code = GetEvent();
    if (code == -1) return;
    playlist.OnGraphEvent(code, trackCount, play);
  }
}
