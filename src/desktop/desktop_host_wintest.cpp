// The desktop host's private shell view, hosted in a window inside the stand-in shell's desktop view.
#include <gtest/gtest.h>

#include "desktop/desktop_host_win.h"
#include "desktop/desktop_view_win.h"

#include <commctrl.h>

#include <map>

#include "standin_shell/standin_launcher.h"

namespace {

ds_string ClassOf(HWND w) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  return FromWide(cls);
}

struct RecordingSink : IconLayerSink {
  int uploads = 0, frames = 0, visibleCalls = 0;
  bool visible = true;
  void UploadIconLayer(const IconLayerBitmap& icons) override {
    ++uploads;
    last = icons;
  }
  IconLayerBitmap last = {};
  void RenderFrame() override { ++frames; }
  void SetIconsVisible(bool v) override {
    visible = v;
    ++visibleCalls;
  }
};

TEST(DesktopHostSite, ComSlotsAnswerAsASiteWithoutBrowserFeatures) {
  DS_Desktop d;
  IShellBrowser* browser = &d;
  void* out = reinterpret_cast<void*>(1);
  for (REFIID iid : {IID_IUnknown, IID_IOleWindow, IID_IShellBrowser}) {
    ASSERT_EQ(browser->QueryInterface(iid, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(browser));
  }
  EXPECT_EQ(browser->QueryInterface(IID_IDropTarget, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(browser->QueryInterface(IID_IShellBrowser, nullptr), E_POINTER);
  // Three interfaces asked for: three references; releasing never frees the object.
  EXPECT_EQ(browser->AddRef(), 4u);
  for (ULONG n = 3; n != static_cast<ULONG>(-1); --n) EXPECT_EQ(browser->Release(), n);

  HWND w = reinterpret_cast<HWND>(1);
  EXPECT_EQ(browser->GetWindow(&w), S_OK);
  EXPECT_EQ(w, nullptr);  // no host yet
  EXPECT_EQ(browser->GetWindow(nullptr), E_POINTER);
  w = reinterpret_cast<HWND>(1);
  EXPECT_EQ(browser->GetControlWindow(FCW_STATUS, &w), S_OK);
  EXPECT_EQ(w, nullptr);
  EXPECT_EQ(browser->GetControlWindow(FCW_TOOLBAR, &w), E_NOTIMPL);
  EXPECT_EQ(browser->GetControlWindow(FCW_STATUS, nullptr), E_POINTER);
  LRESULT result = 5;
  EXPECT_EQ(browser->SendControlMsg(FCW_STATUS, WM_USER, 0, 0, &result), S_OK);
  EXPECT_EQ(browser->SendControlMsg(FCW_TREE, WM_USER, 0, 0, &result), E_NOTIMPL);
  EXPECT_EQ(browser->SendControlMsg(FCW_STATUS, WM_USER, 0, 0, nullptr), E_POINTER);
  IShellView* view = reinterpret_cast<IShellView*>(1);
  EXPECT_EQ(browser->QueryActiveShellView(&view), E_FAIL);  // nothing attached
  EXPECT_EQ(view, nullptr);
  EXPECT_EQ(browser->QueryActiveShellView(nullptr), E_POINTER);

  struct Slot {
    const char* name;
    HRESULT hr;
  } slots[] = {
      {"ContextSensitiveHelp", browser->ContextSensitiveHelp(TRUE)},
      {"InsertMenusSB", browser->InsertMenusSB(nullptr, nullptr)},
      {"SetMenuSB", browser->SetMenuSB(nullptr, nullptr, nullptr)},
      {"RemoveMenusSB", browser->RemoveMenusSB(nullptr)},
      {"SetStatusTextSB", browser->SetStatusTextSB(L"x")},
      {"EnableModelessSB", browser->EnableModelessSB(TRUE)},
      {"BrowseObject", browser->BrowseObject(nullptr, 0)},
      {"GetViewStateStream", browser->GetViewStateStream(0, nullptr)},
      {"OnViewWindowActive", browser->OnViewWindowActive(nullptr)},
      {"SetToolbarItems", browser->SetToolbarItems(nullptr, 0, 0)},
  };
  for (const Slot& s : slots) EXPECT_EQ(s.hr, E_NOTIMPL) << s.name;
  EXPECT_EQ(browser->TranslateAcceleratorSB(nullptr, 0), S_OK);
}

TEST(DesktopHostSite, WithoutAPrivateViewNothingIsMirroredAndTheShellIsLeftAlone) {
  DS_Desktop d;
  RecordingSink sink;
  d.SetIconLayerSink(&sink);
  EXPECT_FALSE(d.SyncIcons());
  EXPECT_EQ(sink.uploads, 0);
  if (!IsNt5()) {
    d.ToggleIcons();
    EXPECT_EQ(sink.visibleCalls, 0);
  }
}

LRESULT CALLBACK HostProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

// A host window where the program puts its manager window: a child of the shell's desktop view.
class PrivateViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StandinShell::Available()) GTEST_SKIP() << "stand-in shell not built (shell64 preset)";
    OleInitialize(nullptr);
    ASSERT_TRUE(shell.Start(L"--extra \"Not on the desktop\""));
    HWND view = FindDesktopView();
    ASSERT_NE(view, nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumivaneTestHost";
    RegisterClassW(&wc);
    RECT r;
    GetClientRect(view, &r);
    host = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom, view, nullptr,
                           wc.hInstance, nullptr);
    ASSERT_NE(host, nullptr);
    desktop.SetIconLayerSink(&sink);
    ASSERT_TRUE(desktop.Attach(host));
  }
  void TearDown() override {
    if (host) DestroyWindow(host);
    shell.Stop();
    OleUninitialize();
  }
  void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  ds_string PrivateText(int i) {
    wchar_t buf[261] = {};
    LVITEMW lv = {};
    lv.mask = LVIF_TEXT;
    lv.iItem = i;
    lv.pszText = buf;
    lv.cchTextMax = 260;
    SendMessageW(desktop.listView(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
    return FromWide(lv.pszText ? lv.pszText : buf);
  }
  POINT PrivatePosition(int i) {
    POINT p = {-1, -1};
    SendMessageW(desktop.listView(), LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&p));
    return p;
  }

  StandinShell shell;
  HWND host = nullptr;
  DS_Desktop desktop;
  RecordingSink sink;
};

TEST_F(PrivateViewTest, AttachesAHiddenViewThatPaintsIntoTheIconBitmap) {
  HWND view = GetWindow(host, GW_CHILD);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view, desktop.viewWindow());
  EXPECT_EQ(ClassOf(view), u"SHELLDLL_DefView");
  HWND list = GetWindow(view, GW_CHILD);
  EXPECT_EQ(list, desktop.listView()) << "the private list view is the first child of the first child";
  EXPECT_EQ(ClassOf(list), u"SysListView32");
  EXPECT_FALSE(IsWindowVisible(view)) << "hidden until the first full mirroring";

  RECT r;
  GetClientRect(host, &r);
  const IconLayerBitmap icons = CurrentIconBitmap();
  ASSERT_NE(icons.bits, nullptr);
  ASSERT_NE(icons.dc, nullptr);
  EXPECT_EQ(icons.size.cx, r.right);
  EXPECT_EQ(icons.size.cy, r.bottom);

  wchar_t wallpaper[MAX_PATH] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0);
  if (wallpaper[0] == 0) {
    EXPECT_EQ(SendMessageW(list, LVM_GETBKCOLOR, 0, 0), RGB(1, 1, 1));
    EXPECT_EQ(SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0), RGB(1, 1, 1));
    EXPECT_EQ(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0), RGB(255, 255, 255));
  }

  // A paint of the list view goes into the bitmap, is uploaded and draws a frame.
  const BYTE stale[4] = {0x13, 0x57, 0x9B, 0x42};  // a colour no icon of the session has
  for (size_t i = 0; i < static_cast<size_t>(icons.size.cx) * icons.size.cy; ++i)
    memcpy(icons.bits + 4 * i, stale, 4);
  desktop.SyncIcons();  // shows the view window
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
  Pump();
  EXPECT_GE(sink.uploads, 1);
  EXPECT_EQ(sink.last.bits, icons.bits) << "the upload gets the painted bitmap";
  EXPECT_EQ(sink.last.dc, icons.dc);
  EXPECT_GE(sink.frames, 1);
  if (wallpaper[0] == 0) {
    // The background is the key colour, painted anew each time; the icons are something else.
    size_t pixels = static_cast<size_t>(icons.size.cx) * icons.size.cy, key = 0, other = 0;
    for (size_t i = 0; i < pixels; ++i) {
      const BYTE* p = icons.bits + 4 * i;
      if (memcmp(p, stale, 4) == 0) continue;
      (p[0] == 1 && p[1] == 1 && p[2] == 1 ? key : other)++;
    }
    EXPECT_GT(key, pixels / 2);
    EXPECT_EQ(key + other, pixels) << "every pixel is painted";
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0) {
      EXPECT_GT(other, 0u);
    }
  }
}

TEST_F(PrivateViewTest, MirrorsTheShellIconsByNameAndWritesDragsBack) {
  int n = static_cast<int>(SendMessageW(desktop.listView(), LVM_GETITEMCOUNT, 0, 0));
  if (n == 0) {
    EXPECT_FALSE(desktop.SyncIcons());
    EXPECT_FALSE(IsWindowVisible(desktop.viewWindow())) << "an empty desktop is never mirrored";
    GTEST_SKIP() << "the desktop folder of this session has no items";
  }
  EXPECT_FALSE(desktop.SyncIcons());  // full mirroring
  EXPECT_TRUE(IsWindowVisible(desktop.viewWindow()));
  EXPECT_TRUE(IsWindowVisible(desktop.listView()));
  EXPECT_EQ(desktop.mirror().iconCount, n);

  int shellCount = static_cast<int>(shell.Send(kStandinItemCount));
  std::map<ds_string, int> shellIndex;
  for (const auto& p : desktop.mirror().placements) shellIndex[p.first] = p.second.index;
  EXPECT_EQ(shellIndex.size(), static_cast<size_t>(shellCount));
  int matched = 0;
  for (int i = 0; i < n; ++i) {
    ds_string text = PrivateText(i);
    POINT at = PrivatePosition(i);
    auto s = shellIndex.find(text);
    if (s == shellIndex.end()) {
      EXPECT_EQ(at.x, kOutOfSight) << "private item " << i;
      continue;
    }
    ++matched;
    POINT want = UnpackStandinPoint(static_cast<LONG>(shell.Send(kStandinItemPosition, s->second)));
    EXPECT_EQ(at.x, want.x) << "private item " << i;
    EXPECT_EQ(at.y, want.y) << "private item " << i;
  }
  EXPECT_GT(matched, 0) << "the stand-in names its icons as the private view does";

  EXPECT_EQ(desktop.SyncIcons(), true);  // steady state
  int uploads = sink.uploads;
  EXPECT_EQ(desktop.SyncIcons(), true);
  EXPECT_EQ(sink.uploads, uploads + 1);
  EXPECT_LT(sink.last.bounds.minY, sink.last.bounds.maxY);

  // A drag of item 0: nothing is written while it sits still, then its new place reaches the shell.
  int dragged = -1;
  for (int i = 0; i < n && dragged < 0; ++i)
    if (shellIndex.count(PrivateText(i))) dragged = i;
  ASSERT_GE(dragged, 0);
  int target = shellIndex[PrivateText(dragged)];
  POINT before = UnpackStandinPoint(static_cast<LONG>(shell.Send(kStandinItemPosition, target)));
  desktop.BeginDrag({dragged});
  EXPECT_TRUE(desktop.SyncIcons());
  POINT still = UnpackStandinPoint(static_cast<LONG>(shell.Send(kStandinItemPosition, target)));
  EXPECT_EQ(still.x, before.x);
  SendMessageW(desktop.listView(), LVM_SETITEMPOSITION, dragged, MAKELPARAM(610, 330));
  EXPECT_TRUE(desktop.SyncIcons());
  POINT after = UnpackStandinPoint(static_cast<LONG>(shell.Send(kStandinItemPosition, target)));
  EXPECT_EQ(after.x, PrivatePosition(dragged).x);
  EXPECT_EQ(after.y, PrivatePosition(dragged).y);
  EXPECT_NE(after.x, before.x);
}

TEST_F(PrivateViewTest, TogglingIconsTwiceRestoresThem) {
  desktop.SyncIcons();
  bool start = desktop.AreIconsVisible();
  bool toggled = desktop.ToggleIcons();
  EXPECT_NE(toggled, start);
  EXPECT_EQ(sink.visible, toggled);
  EXPECT_EQ(desktop.AreIconsVisible(), toggled);
  EXPECT_EQ(desktop.ToggleIcons(), start);
  EXPECT_EQ(desktop.AreIconsVisible(), start);
  EXPECT_TRUE(IsWindowVisible(GetShellListView())) << "the shell's own icons are never touched here";

  // Icons hidden while the view shows: mirroring stands still.
  if (start) {
    desktop.ToggleIcons();
    int uploads = sink.uploads;
    EXPECT_FALSE(desktop.SyncIcons());
    EXPECT_EQ(sink.uploads, uploads);
  }
}

}  // namespace
