// A parameter observer for tests: counts its notifications and remembers the last sender.
#pragma once

#include "scene/media_control.h"

class CountingObserver : public MediaControl {
 public:
  void OnChanged(MediaControl* sender) override {
    ++calls;
    lastSender = sender;
  }
  int calls = 0;
  MediaControl* lastSender = nullptr;
};
