#include "scene/media_param.h"

#include <algorithm>

MediaParam::~MediaParam() {
  // An observer may unhook itself from inside Detach; walk a copy.
  std::vector<MediaControl*> list;
  list.swap(observers_);
  for (MediaControl* c : list) c->Detach();
}

void MediaParam::NotifyChanged(MediaControl* sender) {
  if (observers_.empty()) return;
  const std::vector<MediaControl*> snapshot = observers_;
  for (size_t i = 0; i < snapshot.size(); ++i) {
    MediaControl* c = snapshot[i];
    // Skip an observer removed (and perhaps destroyed) by an earlier callback.
    const bool unchanged = i < observers_.size() && observers_[i] == c;
    if (!unchanged && std::find(observers_.begin(), observers_.end(), c) == observers_.end()) continue;
    c->NotifyIfNotSender(sender);
  }
}

void MediaParam::RemoveObserver(MediaControl* c) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), c), observers_.end());
}

ListenerHolder::~ListenerHolder() {
  Clear();
  if (ownsOwner_ && owner_ && deleteOwner_) deleteOwner_(owner_);
}

void ListenerHolder::Clear() {
  std::vector<MediaControl*> list;
  list.swap(controls_);
  for (MediaControl* c : list) delete c;
}
