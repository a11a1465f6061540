#include "platform/counted_ptr.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Base {
  virtual ~Base() {}
};
struct Tracked : Base {
  explicit Tracked(int* deletions) : deletions_(deletions) {}
  ~Tracked() override { ++*deletions_; }
  int* deletions_;
};

TEST(CountedPtrTest, LastShareDeletesThroughTheVirtualDestructor) {
  int deleted = 0;
  {
    CountedPtr<Base> a(new Tracked(&deleted));
    CountedPtr<Base> b(a);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(2, a.UseCount());
    a.Release();
    EXPECT_FALSE(a);
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(1, b.UseCount());
  }
  EXPECT_EQ(1, deleted);
}

TEST(CountedPtrTest, AssignmentReleasesTheOldObjectAndSharesTheNew) {
  int first = 0, second = 0;
  CountedPtr<Base> a(new Tracked(&first));
  CountedPtr<Base> b(new Tracked(&second));
  a = b;
  EXPECT_EQ(1, first);
  EXPECT_EQ(0, second);
  EXPECT_EQ(2, b.UseCount());
  a = a;  // itself: nothing changes
  b = a;  // another copy of the same block: nothing changes
  EXPECT_EQ(2, a.UseCount());
  EXPECT_EQ(0, second);
}

TEST(CountedPtrTest, EmptyPointersShareTheirBlockAndDeleteNothing) {
  CountedPtr<Base> empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(1, empty.UseCount());
  CountedPtr<Base> copy(empty);
  EXPECT_EQ(2, empty.UseCount());
  copy.Release();
  EXPECT_EQ(1, empty.UseCount());
  CountedPtr<Base> null(nullptr);
  EXPECT_FALSE(null);
}

TEST(CountedPtrTest, AssigningFromAPointerOwnedByTheReleasedObjectIsSafe) {
  struct Holder : Base {
    CountedPtr<Base> inner;
  };
  int deleted = 0;
  Holder* holder = new Holder;
  holder->inner = CountedPtr<Base>(new Tracked(&deleted));
  CountedPtr<Base> outer(holder);
  outer = holder->inner;  // deletes the holder, whose member is the source
  EXPECT_EQ(0, deleted);
  EXPECT_EQ(1, outer.UseCount());
  outer.Release();
  EXPECT_EQ(1, deleted);
}

TEST(CountedPtrTest, VectorCopiesKeepCounts) {
  int deleted = 0;
  std::vector<CountedPtr<Base>> v;
  for (int i = 0; i < 20; ++i) v.push_back(CountedPtr<Base>(new Tracked(&deleted)));  // reallocations copy
  CountedPtr<Base> kept = v[3];
  v.clear();
  EXPECT_EQ(19, deleted);
  EXPECT_EQ(1, kept.UseCount());
}

}  // namespace
