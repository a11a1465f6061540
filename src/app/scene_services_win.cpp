#include "app/scene_services_win.h"

#include "app/browser.h"
#include "app/scene_host_win.h"
#include "desktop/desktop_host_win.h"
#include "lights/audio_graph_win.h"

void SceneShellServices::ApplyPicturePosition(int position) {
  if (g_App.sceneHost) g_App.sceneHost->SetPicturePosition(position);
}

void SceneShellServices::ApplyIconSmoothing(bool smoothing) {
  if (g_App.sceneHost) g_App.sceneHost->SetIconSmoothing(smoothing);
}

void SceneShellServices::ApplyVolume(int volume, bool mute) { AudioGraph::SetVolume(volume, mute); }

bool SceneShellServices::AreIconsVisible() { return g_App.desktop && g_App.desktop->AreIconsVisible(); }

bool SceneShellServices::ToggleIcons() { return g_App.desktop && g_App.desktop->ToggleIcons(); }

bool SceneShellServices::OpenUrl(const ds_string& address) {
  return g_App.registry && OpenUrlInBrowser(*g_App.registry, address);
}
