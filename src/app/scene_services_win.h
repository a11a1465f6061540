// The tray's and the dialog's requests carried out on the scene host, the sound graph, the desktop host
// and the browser.
#pragma once

#include "app/shell_win.h"

class SceneShellServices : public ShellServices {
 public:
  void ApplyPicturePosition(int position) override;
  void ApplyIconSmoothing(bool smoothing) override;
  void ApplyVolume(int volume, bool mute) override;
  bool AreIconsVisible() override;
  bool ToggleIcons() override;
  bool OpenUrl(const ds_string& address) override;
};
