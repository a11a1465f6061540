// Shared ownership of slides, sound tracks, slide pictures and render objects: every copy shares one
// heap block {object, count}; the last release deletes the object through its virtual destructor.
// Even an empty pointer owns a block, so copies of an empty pointer share it too.
#pragma once

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
    Block* b = block_;
    if (--b->count <= 0) {
      delete b->object;
      delete b;
    }
  }

  Block* block_;
};
