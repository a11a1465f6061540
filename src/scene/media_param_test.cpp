#include "scene/media_param.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every notification into a shared log as "<name>" or "<name>:detach".
class Recorder : public MediaControl {
 public:
  Recorder(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
  void OnChanged(MediaControl* sender) override {
    log_->push_back(name_);
    lastSender = sender;
  }
  void Detach() override { log_->push_back(name_ + ":detach"); }
  MediaControl* lastSender = nullptr;

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

TEST(MediaParamTest, NotifiesInAttachmentOrderAndSkipsTheSender) {
  std::vector<std::string> log;
  MediaParamT<UINT> p(5);
  Recorder b("B", &log), c("C", &log);
  p.AddObserver(&b);
  p.AddObserver(&c);
  ASSERT_EQ(p.Observers().front(), &p.UndoControl());

  p.Raw() = 6;
  p.NotifyChanged(&b);
  EXPECT_EQ(log, (std::vector<std::string>{"C"}));
  EXPECT_EQ(p.UndoControl().Snapshot(), 6u);  // the undo control ran too
  EXPECT_EQ(c.lastSender, &b);

  log.clear();
  p.SetValue(7, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(p.UndoControl().Snapshot(), 7u);

  log.clear();
  EXPECT_FALSE(p.Change(7));
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(p.Change(8));
  EXPECT_EQ(log, (std::vector<std::string>{"B", "C"}));
  p.RemoveObserver(&b);
  p.RemoveObserver(&c);
}

TEST(MediaParamTest, ObserverAttachedTwiceIsCalledTwiceAndUnhookedCompletely) {
  MediaParamTB<int> p(0);
  std::vector<int> seen;
  struct Self {
    std::vector<int>* seen;
    void On(int v) { seen->push_back(v); }
  } self{&seen};
  {
    DS_FunLightCtrl<int, Self> c(&Self::On, &self);
    c.AttachTo(&p);
    p.AddObserver(&c);
    p.SetValue(3, nullptr);
    EXPECT_EQ(seen, (std::vector<int>{3, 3}));
  }
  EXPECT_TRUE(p.Observers().empty());
  p.SetValue(4, nullptr);  // would reach the destroyed observer
  EXPECT_EQ(seen.size(), 2u);

  struct Any {
    int calls = 0;
    void On() { ++calls; }
  } any;
  {
    DS_FunLightCtrl2<Any> c(&Any::On, &any);
    c.AttachTo(&p);
    p.AddObserver(&c);
    p.NotifyChanged(nullptr);
    EXPECT_EQ(any.calls, 2);
  }
  EXPECT_TRUE(p.Observers().empty());
}

TEST(MediaParamTest, ReattachingLeavesThePreviousParameter) {
  MediaParamTB<int> a, b;
  struct Self {
    void On(int) {}
  } self;
  DS_FunLightCtrl<int, Self> c(&Self::On, &self);
  c.AttachTo(&a);
  c.AttachTo(&b);
  EXPECT_TRUE(a.Observers().empty());
  ASSERT_EQ(b.Observers().size(), 1u);
  EXPECT_EQ(c.GetParam(), &b);
}

// The parameter and the holder of its observers may die in either order.
struct Owner {
  int calls = 0;
  int last = -1;
  void OnValue(int v) {
    ++calls;
    last = v;
  }
  void OnAny() { ++calls; }
};

TEST(MediaParamTest, HolderAndParameterUnlinkWhicheverDiesFirst) {
  Owner owner;
  {
    auto* p = new MediaParamT<int>(7);
    ListenerHolder holder;
    holder.SetOwner(&owner, false);
    auto* c = holder.Bind(*p, &Owner::OnValue);
    EXPECT_EQ(owner.calls, 1);  // bound value callbacks run once at binding
    EXPECT_EQ(owner.last, 7);
    holder.Bind(static_cast<MediaParam&>(*p), &Owner::OnAny);
    EXPECT_EQ(owner.calls, 1);  // no-argument callbacks do not
    EXPECT_EQ(p->Observers().size(), 3u);
    delete p;  // detaches both; the holder must not touch p afterwards
    EXPECT_EQ(c->GetParam(), nullptr);
  }
  MediaParamT<int> p(1);
  {
    ListenerHolder holder;
    holder.SetOwner(&owner, false);
    holder.Bind(p, &Owner::OnValue);
    holder.Bind(static_cast<MediaParam&>(p), &Owner::OnAny);
  }
  ASSERT_EQ(p.Observers().size(), 1u);  // only the undo control is left
  owner.calls = 0;
  p.SetValue(2, nullptr);
  EXPECT_EQ(owner.calls, 0);
}

TEST(MediaParamTest, HolderDeletesAnOwnerItOwns) {
  static int destroyed;
  destroyed = 0;
  struct Counted {
    ~Counted() { ++destroyed; }
  };
  {
    ListenerHolder holder;
    holder.SetOwner(new Counted, true);
  }
  EXPECT_EQ(destroyed, 1);
  Counted kept;
  {
    ListenerHolder holder;
    holder.SetOwner(&kept, false);
  }
  EXPECT_EQ(destroyed, 1);
}

// The embedded undo control dies before the base's destructor walks the list, so it must be gone from
// it by then (the sanitizer build reports a call on the dead control otherwise).
TEST(MediaParamTest, DestroyingAParameterDetachesItsObserversOnce) {
  std::vector<std::string> log;
  Recorder b("B", &log);
  {
    MediaParamT<D3DXVECTOR3> p(D3DXVECTOR3(1, 2, 3));
    p.AddObserver(&b);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"B:detach"}));
}

TEST(MediaParamTest, CopiesCarryTheValueOnly) {
  std::vector<std::string> log;
  Recorder b("B", &log);
  MediaParamT<UINT> src(1);
  src.UndoControl().Store();
  src.SetValue(2, nullptr);
  src.AddObserver(&b);

  MediaParamT<UINT> copy(src);
  EXPECT_EQ(copy.GetValue(), 2u);
  ASSERT_EQ(copy.Observers().size(), 1u);
  EXPECT_EQ(copy.Observers()[0], &copy.UndoControl());
  EXPECT_EQ(copy.UndoControl().Snapshot(), 2u);
  EXPECT_EQ(copy.UndoControl().History().Size(), 0u);

  // Assignment: the target's snapshot follows, nobody else is told.
  MediaParamT<UINT> target(9);
  target.AddObserver(&b);
  MediaParamT<UINT> five(5);
  target = five;
  EXPECT_EQ(target.GetValue(), 5u);
  EXPECT_EQ(target.UndoControl().Snapshot(), 5u);
  EXPECT_TRUE(log.empty());
  ASSERT_EQ(target.Observers().size(), 2u);

  MediaParamTB<POINT> pt(POINT{3, 4});
  pt.AddObserver(&b);
  MediaParamTB<POINT> ptCopy(pt);
  EXPECT_TRUE(ptCopy.Observers().empty());
  EXPECT_EQ(ptCopy.GetValue().y, 4);

  MediaParamTB<ds_string> s(u"name");
  MediaParamTB<ds_string> s2;
  s2 = s;
  EXPECT_EQ(s2.GetValue(), u"name");
  src.RemoveObserver(&b);
  target.RemoveObserver(&b);
  pt.RemoveObserver(&b);
}

TEST(MediaParamTest, DefaultValuesAreZero) {
  MediaParamT<D3DXVECTOR3> v;
  EXPECT_TRUE(v.GetValue() == D3DXVECTOR3(0, 0, 0));
  EXPECT_TRUE(v.UndoControl().Snapshot() == D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(MediaParamT<int>().GetValue(), 0);
  EXPECT_EQ(MediaParamTB<POINT>().GetValue().x, 0);
}

TEST(MediaParamTest, RawStoreNotifiesNobody) {
  std::vector<std::string> log;
  Recorder b("B", &log);
  MediaColor colour(0x00FFFFFF);
  colour.AddObserver(&b);
  colour.Raw() = 0x000000FF;
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(colour.UndoControl().Snapshot(), 0x00FFFFFFu);
  colour.RemoveObserver(&b);
}

// Observers that change the observer list of the parameter they are called from.
TEST(MediaParamTest, NotifySurvivesObserversChangingTheList) {
  MediaParamTB<int> p;
  std::vector<std::string> log;
  auto* victim = new Recorder("victim", &log);
  Recorder late("late", &log);

  struct Killer : MediaControl {
    MediaParamTB<int>* p;
    Recorder** victim;
    void OnChanged(MediaControl*) override {
      if (*victim) {
        p->RemoveObserver(*victim);
        delete *victim;
        *victim = nullptr;
      }
    }
  } killer;
  killer.p = &p;
  killer.victim = &victim;

  struct Adder : MediaControl {
    MediaParamTB<int>* p;
    MediaControl* add;
    void OnChanged(MediaControl*) override { p->AddObserver(add); }
  } adder;
  adder.p = &p;
  adder.add = &late;

  struct SelfRemover : MediaControl {
    MediaParamTB<int>* p;
    std::vector<std::string>* log;
    void OnChanged(MediaControl*) override {
      log->push_back("self");
      p->RemoveObserver(this);
    }
  } self;
  self.p = &p;
  self.log = &log;

  p.AddObserver(&self);
  p.AddObserver(&killer);
  p.AddObserver(victim);
  p.AddObserver(&adder);
  p.NotifyChanged(nullptr);
  // The removed victim is skipped, the observer added during the call waits for the next change.
  EXPECT_EQ(log, (std::vector<std::string>{"self"}));
  log.clear();
  p.NotifyChanged(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"late"}));
  for (MediaControl* c : std::vector<MediaControl*>{&late, &killer, &adder}) p.RemoveObserver(c);
}

}  // namespace
