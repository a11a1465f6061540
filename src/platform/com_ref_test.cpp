#include "platform/com_ref.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/d3d9_types.h"

#ifndef _WIN32

namespace {

// An interface whose last release marks it gone.
struct Counted final : IUnknown {
  virtual ~Counted() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_FAIL; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    EXPECT_GT(refs, 0) << "released more often than referenced";
    if (--refs == 0) gone = true;
    return refs;
  }
  ULONG refs = 1;  // the creator's
  bool gone = false;
};

TEST(ComRefTest, CopiesAddReferencesMovesHandThemOverAndEachHolderReleasesItsOwn) {
  Counted c;
  {
    ComRef<IUnknown> a;
    a.Share(&c);
    EXPECT_EQ(2u, c.refs);
    ComRef<IUnknown> b = a;
    EXPECT_EQ(3u, c.refs);
    ComRef<IUnknown> m = std::move(b);
    EXPECT_EQ(3u, c.refs);
    EXPECT_FALSE(b);
    EXPECT_EQ(&c, m.Get());
    a = m;  // the same interface: no change
    EXPECT_EQ(3u, c.refs);
    ComRef<IUnknown>& alias = a;
    a = alias;  // itself
    ComRef<IUnknown>& moved = m;
    m = std::move(moved);
    EXPECT_EQ(3u, c.refs);
  }
  EXPECT_EQ(1u, c.refs);
  EXPECT_FALSE(c.gone);
}

TEST(ComRefTest, SharingTheOnlyHeldInterfaceAgainKeepsItAlive) {
  Counted* c = new Counted;
  ComRef<Counted> r;
  r.Adopt(c);  // the creator's reference handed over
  EXPECT_EQ(1u, c->refs);
  r.Share(r.Get());
  EXPECT_FALSE(c->gone);
  EXPECT_EQ(1u, c->refs);
  r.Reset();
  EXPECT_TRUE(c->gone);
  delete c;
}

TEST(ComRefTest, OutReleasesWhatIsHeldAndDetachHandsTheReferenceBack) {
  Counted first, second;
  ComRef<IUnknown> r;
  r.Share(&first);
  IUnknown** slot = r.Out();
  EXPECT_EQ(1u, first.refs) << "released before the call that fills the slot";
  EXPECT_EQ(nullptr, *slot);
  second.AddRef();  // what a creating call does
  *slot = &second;
  EXPECT_EQ(&second, r.Get());
  IUnknown* out = r.Detach();
  EXPECT_FALSE(r);
  EXPECT_EQ(2u, second.refs);
  out->Release();
  EXPECT_EQ(1u, second.refs);
}

}  // namespace

#endif
