// Typed, observable parameters: every setting of a scene item, picture light or effect.
// A parameter keeps its observers in attachment order and calls them synchronously when it changes.
// Copies carry the value only, never observers or undo history.
#pragma once

#include <vector>

#include "platform/types.h"
#include "scene/media_control.h"
#include "scene/undo.h"

class MediaParam {
 public:
  MediaParam() = default;
  MediaParam(const MediaParam&) {}
  MediaParam& operator=(const MediaParam&) { return *this; }
  // Detaches every observer (in list order); they belong to whoever made them.
  virtual ~MediaParam();

  // Editing hook; nothing in the player edits.
  virtual void Edit(void* context, MediaControl* sender) {}

  // Calls every observer except the sender, first to last. Observers may attach or detach observers of
  // this parameter meanwhile: those attached during the call are not called this time, those removed
  // before their turn are skipped.
  void NotifyChanged(MediaControl* sender = nullptr);

  void AddObserver(MediaControl* c) { observers_.push_back(c); }
  // Removes every occurrence of c.
  void RemoveObserver(MediaControl* c);
  const std::vector<MediaControl*>& Observers() const { return observers_; }

 private:
  std::vector<MediaControl*> observers_;
};

// A parameter holding one value, set-and-notify, no undo.
template <class T>
class MediaParamTB : public MediaParam {
 public:
  MediaParamTB() : value_(ParamZero<T>()) {}
  explicit MediaParamTB(const T& v) : value_(v) {}
  MediaParamTB(const MediaParamTB& o) : MediaParam(), value_(o.value_) {}
  MediaParamTB& operator=(const MediaParamTB& o) {
    value_ = o.value_;
    return *this;
  }

  const T& GetValue() const { return value_; }
  // The raw value, for readers that store without notifying anybody.
  T& Raw() { return value_; }

  void SetValue(const T& v, MediaControl* sender) {
    value_ = v;
    NotifyChanged(sender);
  }
  // The change rule for code: store and notify everybody only when the value differs.
  bool Change(const T& v) {
    if (!ParamValuesDiffer(value_, v)) return false;
    value_ = v;
    NotifyChanged(nullptr);
    return true;
  }

 protected:
  T value_;
};

// A parameter with its own undo control, always its first observer.
template <class T>
class MediaParamT : public MediaParamTB<T> {
 public:
  MediaParamT() : MediaParamTB<T>(), undo_(this) { HookUndo(); }
  explicit MediaParamT(const T& v) : MediaParamTB<T>(v), undo_(this) { HookUndo(); }
  // A fresh undo control with an empty history; no other observers.
  MediaParamT(const MediaParamT& o) : MediaParamTB<T>(o.value_), undo_(this) { HookUndo(); }
  // Copies the value; only this parameter's undo control takes its snapshot.
  MediaParamT& operator=(const MediaParamT& o) {
    Assign(o.value_);
    return *this;
  }
  MediaParamT& operator=(const T& v) {
    Assign(v);
    return *this;
  }
  // The undo control is a member and dies before the base: unhook it first.
  ~MediaParamT() override { this->RemoveObserver(&undo_); }

  UndoCtrlT<T>& UndoControl() { return undo_; }
  const UndoCtrlT<T>& UndoControl() const { return undo_; }

 private:
  void HookUndo() {
    this->AddObserver(&undo_);
    undo_.OnChanged(nullptr);
  }
  void Assign(const T& v) {
    this->value_ = v;
    undo_.OnChanged(nullptr);
  }

  UndoCtrlT<T> undo_;
};

// A Windows COLORREF, 0x00BBGGRR.
class MediaColor : public MediaParamT<DWORD> {
 public:
  MediaColor() = default;
  explicit MediaColor(DWORD c) : MediaParamT<DWORD>(c) {}
  using MediaParamT<DWORD>::operator=;
};

// Calls owner->fn(value) on every change of the watched value parameter.
template <class V, class X>
class DS_FunLightCtrl : public MediaControlT<MediaParamTB<V>> {
 public:
  typedef void (X::*Callback)(V);
  DS_FunLightCtrl(Callback fn, X* owner) : fn_(fn), owner_(owner) {}
  void OnChanged(MediaControl*) override {
    if (this->param_ && owner_) (owner_->*fn_)(this->param_->GetValue());
  }

 private:
  Callback fn_;
  X* owner_;
};

// Calls owner->fn() on every change of the watched parameter (any parameter type).
template <class X>
class DS_FunLightCtrl2 : public MediaControlT<MediaParam> {
 public:
  typedef void (X::*Callback)();
  DS_FunLightCtrl2(Callback fn, X* owner) : fn_(fn), owner_(owner) {}
  void OnChanged(MediaControl*) override {
    if (owner_) (owner_->*fn_)();
  }

 private:
  Callback fn_;
  X* owner_;
};

// The callback observers one object made for itself. Deletes them when it dies (each unhooks itself
// from a parameter that still exists), then the owner when it owns it.
class ListenerHolder {
 public:
  ListenerHolder() = default;
  ListenerHolder(const ListenerHolder&) = delete;
  ListenerHolder& operator=(const ListenerHolder&) = delete;
  ~ListenerHolder();

  template <class X>
  void SetOwner(X* owner, bool ownsOwner) {
    owner_ = owner;
    ownsOwner_ = ownsOwner;
    deleteOwner_ = [](void* p) { delete static_cast<X*>(p); };
  }
  void* GetOwner() const { return owner_; }
  bool OwnsOwner() const { return ownsOwner_; }

  // Binds owner->fn to p and calls it once with p's current value. X must be the owner's type.
  template <class V, class X>
  DS_FunLightCtrl<V, X>* Bind(MediaParamTB<V>& p, void (X::*fn)(V)) {
    auto* c = new DS_FunLightCtrl<V, X>(fn, static_cast<X*>(owner_));
    c->AttachTo(&p);
    controls_.push_back(c);
    c->OnChanged(nullptr);
    return c;
  }
  // Binds owner->fn to p; not called at binding.
  template <class X>
  DS_FunLightCtrl2<X>* Bind(MediaParam& p, void (X::*fn)()) {
    auto* c = new DS_FunLightCtrl2<X>(fn, static_cast<X*>(owner_));
    c->AttachTo(&p);
    controls_.push_back(c);
    return c;
  }
  // Takes ownership of an observer the caller attached itself.
  void Add(MediaControl* c) { controls_.push_back(c); }
  // Deletes every observer now (the owner stays).
  void Clear();
  size_t Size() const { return controls_.size(); }

 private:
  void* owner_ = nullptr;
  bool ownsOwner_ = false;
  void (*deleteOwner_)(void*) = nullptr;
  std::vector<MediaControl*> controls_;
};
