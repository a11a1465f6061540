#include "dxut/device_objects.h"

#include <algorithm>
#include <vector>

namespace {
std::vector<DeviceObjects*>& Registry() {
  static std::vector<DeviceObjects*> owners;
  return owners;
}
}  // namespace

DeviceObjects::DeviceObjects() { Registry().push_back(this); }

DeviceObjects::~DeviceObjects() {
  std::vector<DeviceObjects*>& r = Registry();
  r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

void InvalidateAllDeviceObjects() {
  // A copy: an owner may unregister another while it lets go of its objects.
  const std::vector<DeviceObjects*> owners = Registry();
  for (auto it = owners.rbegin(); it != owners.rend(); ++it) {
    const std::vector<DeviceObjects*>& now = Registry();
    if (std::find(now.begin(), now.end(), *it) != now.end()) (*it)->InvalidateDeviceObjects();
  }
}

void CreateAllDeviceObjects() {
  const std::vector<DeviceObjects*> owners = Registry();
  for (DeviceObjects* o : owners) {
    const std::vector<DeviceObjects*>& now = Registry();
    if (std::find(now.begin(), now.end(), o) != now.end()) o->CreateDeviceObjects();
  }
}

void LoseDeviceObjects(const std::function<void()>& sceneLost) {
  if (sceneLost) sceneLost();
  InvalidateAllDeviceObjects();
}

void RestoreDeviceObjects(const std::function<void()>& sceneReset) {
  CreateAllDeviceObjects();
  if (sceneReset) sceneReset();
}

bool LoseAndResetDevice(const std::function<void()>& sceneLost, const std::function<bool()>& resetDevice,
                        const std::function<void()>& sceneReset) {
  LoseDeviceObjects(sceneLost);
  if (resetDevice && !resetDevice()) return false;
  RestoreDeviceObjects(sceneReset);
  return true;
}

int RegisteredDeviceObjects() { return static_cast<int>(Registry().size()); }
