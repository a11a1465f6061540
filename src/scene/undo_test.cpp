#include "scene/undo.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/media_param.h"
#include "support/counting_observer.h"

namespace {

std::vector<UINT> Entries(const UndoHistory<UINT>& h) {
  std::vector<UINT> v;
  for (size_t i = 0; i < h.Size(); ++i) v.push_back(h.At(i));
  return v;
}

TEST(UndoTest, StoreUndoRedoScript) {
  MediaParamT<UINT> p(1);
  CountingObserver other;
  p.AddObserver(&other);
  UndoCtrlT<UINT>& u = p.UndoControl();
  const UndoHistory<UINT>& h = u.History();

  u.Store();
  p.SetValue(2, nullptr);
  EXPECT_EQ(u.Snapshot(), 2u);
  u.Store();
  p.SetValue(3, nullptr);
  EXPECT_EQ(Entries(h), (std::vector<UINT>{2, 1}));
  EXPECT_EQ(h.Cursor(), 0u);

  enum Op { kUndo, kRedo, kStore };
  struct Step {
    Op op;
    UINT value;                  // the parameter afterwards
    std::vector<UINT> entries;   // the history afterwards, front to back
    size_t cursor;
    bool notified;               // whether the other observer heard of it
  } steps[] = {
      {kUndo, 2, {3, 1}, 1, true},
      {kUndo, 1, {3, 2}, 2, true},
      {kUndo, 1, {3, 2}, 2, false},  // nothing left to undo
      {kRedo, 2, {3, 1}, 1, true},
      {kRedo, 3, {2, 1}, 0, true},
      {kRedo, 3, {2, 1}, 0, false},  // nothing left to redo
      {kUndo, 2, {3, 1}, 1, true},
      {kUndo, 1, {3, 2}, 2, true},
      {kStore, 1, {1}, 0, false},    // a store after undos drops the redo side
  };
  for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
    const Step& s = steps[i];
    SCOPED_TRACE(i);
    other.calls = 0;
    other.lastSender = nullptr;
    if (s.op == kUndo) u.Undo();
    if (s.op == kRedo) u.Redo();
    if (s.op == kStore) u.Store();
    EXPECT_EQ(p.GetValue(), s.value);
    EXPECT_EQ(Entries(h), s.entries);
    EXPECT_EQ(h.Cursor(), s.cursor);
    EXPECT_EQ(other.calls, s.notified ? 1 : 0);
    if (s.notified) {
      EXPECT_EQ(other.lastSender, &u);  // the undo control is the sender
    }
  }
  p.RemoveObserver(&other);
}

TEST(UndoTest, HistoryKeepsTheTwentyNewest) {
  MediaParamT<int> p(0);
  for (int i = 1; i <= 21; ++i) {
    p.UndoControl().Store();
    p.SetValue(i, nullptr);
  }
  const UndoHistory<int>& h = p.UndoControl().History();
  ASSERT_EQ(h.Size(), 20u);
  EXPECT_EQ(h.At(0), 20);
  EXPECT_EQ(h.At(19), 1);  // the first stored value, 0, is gone
}

TEST(UndoTest, UndoToAnEqualValueNotifiesNobody) {
  MediaParamT<UINT> p(1);
  CountingObserver other;
  p.AddObserver(&other);
  p.UndoControl().Store();
  p.UndoControl().Undo();
  EXPECT_EQ(other.calls, 0);
  EXPECT_EQ(p.GetValue(), 1u);
  p.RemoveObserver(&other);
}

TEST(UndoTest, VectorsDifferWhenAnyComponentDiffers) {
  struct Case {
    D3DXVECTOR3 before, after;
    bool notifies;
  } cases[] = {
      {{1, 2, 3}, {1, 2, 4}, true},
      {{1, 2, 3}, {0, 2, 3}, true},
      {{1, 2, 3}, {1, 2, 3}, false},
      {{0.0f, 0, 0}, {-0.0f, 0, 0}, false},  // compared as floats
  };
  for (const Case& c : cases) {
    MediaParamT<D3DXVECTOR3> p(c.before);
    CountingObserver other;
    p.AddObserver(&other);
    p.UndoControl().Store();
    p.Raw() = c.after;
    p.NotifyChanged(&other);  // the snapshot follows, the counter stays out of it
    p.UndoControl().Undo();
    EXPECT_EQ(other.calls, c.notifies ? 1 : 0);
    EXPECT_TRUE(p.GetValue() == (c.notifies ? c.before : c.after));
    p.RemoveObserver(&other);
  }
}

TEST(UndoTest, DetachedControlRestoresNothing) {
  auto* p = new MediaParamT<int>(1);
  UndoCtrlT<int> orphan(p);
  p->AddObserver(&orphan);
  orphan.OnChanged(nullptr);
  orphan.Store();
  p->SetValue(2, nullptr);
  delete p;  // detaches the orphan
  orphan.Undo();  // must not reach the destroyed owner
  EXPECT_EQ(orphan.Snapshot(), 1);
}

}  // namespace
