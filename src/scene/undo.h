// Per-parameter undo: a snapshot that follows every change and a bounded history of earlier values.
#pragma once

#include <cstddef>
#include <deque>
#include <utility>

#include "platform/types.h"
#include "scene/media_control.h"

template <class T>
class MediaParamT;

// Whether two parameter values count as different for undo. Vectors compare per component as floats.
template <class T>
inline bool ParamValuesDiffer(const T& a, const T& b) {
  return !(a == b);
}
inline bool ParamValuesDiffer(const POINT& a, const POINT& b) { return a.x != b.x || a.y != b.y; }

// The value a parameter starts from before its owner assigns it: zero. The Windows D3DX vector's default
// constructor leaves it unset, so it is spelled out.
template <class T>
inline T ParamZero() {
  return T();
}
template <>
inline D3DXVECTOR3 ParamZero<D3DXVECTOR3>() {
  return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

class UndoCtrl : public MediaControl {
 public:
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void Store() = 0;
};

// Earlier values, newest at the front, at most kMaxEntries. The cursor is the index of the next entry
// to undo to: 0 right after a store, Size() when there is nothing left to undo.
template <class T>
class UndoHistory {
 public:
  static const size_t kMaxEntries = 20;

  // Drops the redo side, puts v at the front, drops the oldest entry beyond the limit.
  void Push(const T& v) {
    entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(cursor_));
    entries_.push_front(v);
    if (entries_.size() > kMaxEntries) entries_.pop_back();
    cursor_ = 0;
  }
  // Swaps the snapshot with the entry at the cursor and moves the cursor one entry older.
  bool StepOlder(T& snapshot) {
    if (entries_.empty() || cursor_ >= entries_.size()) return false;
    std::swap(snapshot, entries_[cursor_]);
    ++cursor_;
    return true;
  }
  // Moves the cursor one entry newer and swaps the snapshot with the entry there.
  bool StepNewer(T& snapshot) {
    if (entries_.empty() || cursor_ == 0) return false;
    --cursor_;
    std::swap(snapshot, entries_[cursor_]);
    return true;
  }

  size_t Size() const { return entries_.size(); }
  size_t Cursor() const { return cursor_; }
  const T& At(size_t i) const { return entries_[i]; }

 private:
  std::deque<T> entries_;
  size_t cursor_ = 0;
};

// The undo control embedded in every undoable parameter, its first observer.
template <class T>
class UndoCtrlT : public UndoCtrl {
 public:
  explicit UndoCtrlT(MediaParamT<T>* owner) : snapshot_(ParamZero<T>()), owner_(owner) {}

  void OnChanged(MediaControl*) override {
    if (owner_) snapshot_ = owner_->GetValue();
  }
  void Detach() override { owner_ = nullptr; }

  void Store() override { history_.Push(snapshot_); }
  void Undo() override {
    history_.StepOlder(snapshot_);
    Restore();
  }
  void Redo() override {
    history_.StepNewer(snapshot_);
    Restore();
  }

  const T& Snapshot() const { return snapshot_; }
  const UndoHistory<T>& History() const { return history_; }

 private:
  // The owner takes the snapshot when it differs; every other observer is told, this one being the sender.
  void Restore() {
    if (owner_ && ParamValuesDiffer(snapshot_, owner_->GetValue())) owner_->SetValue(snapshot_, this);
  }

  T snapshot_;
  MediaParamT<T>* owner_;
  UndoHistory<T> history_;
};
