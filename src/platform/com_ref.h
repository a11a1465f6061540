// One counted reference on a COM interface, released when the holder goes: copies add a reference, moves
// hand it over, and AddRef/Release appear nowhere else in code that holds interfaces this way. Works on
// any type with AddRef and Release (the platform's own IUnknown natively, the real one on Windows).
#pragma once

#include <cstddef>
#include <utility>

template <class T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(std::nullptr_t) {}
  ComRef(const ComRef& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComRef(ComRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ~ComRef() { Reset(); }

  ComRef& operator=(const ComRef& o) {
    Share(o.p_);
    return *this;
  }
  ComRef& operator=(ComRef&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }

  // Holds p with a reference of its own (the caller keeps its reference); the one held before is
  // released, also when it is p.
  void Share(T* p) { Share_(p); }
  // Takes over the caller's reference on p (no AddRef); the one held before is released.
  void Adopt(T* p) {
    T* old = p_;
    p_ = p;
    if (old) old->Release();
  }
  // Releases what is held; empty afterwards.
  void Reset() {
    T* p = p_;
    p_ = nullptr;
    if (p) p->Release();
  }
  // Hands the reference to the caller; empty afterwards.
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  // For an out-parameter that returns a new reference: releases what is held first.
  T** Out() {
    Reset();
    return &p_;
  }

  // The holder's own slot, for interfaces that pass an interface by the address of where it is held:
  // reading through it lends the interface; nothing is written through it.
  T* const* Slot() const { return &p_; }
  T** Slot() { return &p_; }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  // Lends the interface (no reference) wherever a plain pointer is asked for; a plain pointer never
  // becomes a holder's without Share or Adopt saying which reference it is.
  operator T*() const { return p_; }

  // A holder with a reference of its own on p / with the caller's reference on p.
  static ComRef Shared(T* p) {
    ComRef r;
    r.Share(p);
    return r;
  }
  static ComRef Adopted(T* p) {
    ComRef r;
    r.Adopt(p);
    return r;
  }

 private:
  void Share_(T* p) {
    if (p) p->AddRef();  // first, in case p is only alive through the reference released below
    T* old = p_;
    p_ = p;
    if (old) old->Release();
  }

  T* p_ = nullptr;
};
