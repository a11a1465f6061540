// Observers of media parameters.
#pragma once

// One observer of a parameter. The parameter does not own it.
class MediaControl {
 public:
  MediaControl() = default;
  MediaControl(const MediaControl&) = delete;
  MediaControl& operator=(const MediaControl&) = delete;
  virtual ~MediaControl() = default;
  // Called by a parameter that is being destroyed, so that the observer forgets it.
  virtual void Detach() {}
  virtual void OnChanged(MediaControl* sender) = 0;

  // The notification rule: a sender never hears its own change.
  void NotifyIfNotSender(MediaControl* sender) {
    if (sender != this) OnChanged(sender);
  }
};

// An observer that remembers the one parameter it watches and unhooks itself from it when it dies.
// P is a parameter class (AddObserver / RemoveObserver of MediaParam).
template <class P>
class MediaControlT : public MediaControl {
 public:
  MediaControlT() = default;
  ~MediaControlT() override { Unhook(); }

  void Detach() override { param_ = nullptr; }

  // Leaves the parameter watched before, then appends this observer to p's list.
  void AttachTo(P* p) {
    Unhook();
    param_ = p;
    if (p) p->AddObserver(this);
  }
  // Removes every occurrence of this observer from the watched parameter.
  void Unhook() {
    if (param_) {
      P* p = param_;
      param_ = nullptr;
      p->RemoveObserver(this);
    }
  }
  P* GetParam() const { return param_; }

 protected:
  P* param_ = nullptr;
};
