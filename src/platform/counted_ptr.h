// Shared ownership of slides, sound tracks, slide pictures and render objects: every copy shares one
// heap block {object, count}; the last release deletes the object through its virtual destructor.
// Even an empty pointer owns a block, so copies of an empty pointer share it too.
#pragma once

// GCC 12 follows two pointers sharing one block through their inlined releases and cannot see that the
// count keeps the block alive until the last one: a false use-after-free.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#define LUMI_COUNTED_PTR_POP_DIAGNOSTIC
#endif

template <class T>
class CountedPtr {
 public:
  CountedPtr() : block_(new Block{nullptr, 1}) {}
  // Takes ownership of object (which may be null).
  explicit CountedPtr(T* object) : block_(new Block{object, 1}) {}
  CountedPtr(const CountedPtr& o) : block_(o.block_) { ++block_->count; }
  ~CountedPtr() { Drop(); }

  CountedPtr& operator=(const CountedPtr& o) {
    if (block_ == o.block_) return *this;  // itself, or another copy of the same block
    Block* shared = o.block_;
    ++shared->count;  // first, in case the object released below owns o
    Drop();
    block_ = shared;
    return *this;
  }

  // Gives up this share: the object is deleted when it was the last one; the pointer becomes empty.
  void Release() {
    Drop();
    block_ = new Block{nullptr, 1};
  }

  T* Get() const { return block_->object; }
  T* operator->() const { return Get(); }
  T& operator*() const { return *Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  // The number of pointers sharing the block.
  int UseCount() const { return block_->count; }

 private:
  struct Block {
    T* object;
    int count;
  };

  void Drop() {
    static_assert(sizeof(T) > 0, "CountedPtr<T> deletes a T: T must be complete where a pointer is released");
    Block* b = block_;
    if (--b->count <= 0) {
      delete b->object;
      delete b;
    }
  }

  Block* block_;
};

#ifdef LUMI_COUNTED_PTR_POP_DIAGNOSTIC
#pragma GCC diagnostic pop
#undef LUMI_COUNTED_PTR_POP_DIAGNOSTIC
#endif
