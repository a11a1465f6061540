// The desktop host: a private shell view of the desktop folder hosted in the manager window, whose icons
// are painted into a bitmap for the icon layer and mirrored from the shell's own desktop list view.
// DS_Desktop is the minimal shell-browser site of that view.
#pragma once

#include <shlobj.h>

#include <vector>

#include "desktop/icon_layer.h"
#include "desktop/icon_sync.h"

// The painted icons as the desktop host hands them over: a memory context compatible with the private
// list view's, the pixels of the bitmap selected into it (host size at attach time, 32 bits, bottom-up,
// B G R A), and the label area of the private icons. Null context and pixels before a host is attached.
struct IconLayerBitmap {
  HDC dc;
  BYTE* bits;
  SIZE size;
  IconBounds bounds;
};

// What the desktop host asks of the scene host; set once the scene host exists.
class IconLayerSink {
 public:
  virtual ~IconLayerSink() = default;
  // The icons were painted into the bitmap.
  virtual void UploadIconLayer(const IconLayerBitmap& icons) = 0;
  virtual void RenderFrame() = 0;  // the device framework's one-frame call
  virtual void SetIconsVisible(bool visible) = 0;
};

// The desktop host's icon bitmap as it is now.
IconLayerBitmap CurrentIconBitmap();

class DS_Desktop : public IShellBrowser, private IconViewSeam {
 public:
  DS_Desktop() = default;
  DS_Desktop(const DS_Desktop&) = delete;
  DS_Desktop& operator=(const DS_Desktop&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IOleWindow
  STDMETHODIMP GetWindow(HWND* out) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IShellBrowser
  STDMETHODIMP InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
  STDMETHODIMP RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP EnableModelessSB(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return S_OK; }
  STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
  STDMETHODIMP GetViewStateStream(DWORD, IStream**) override { return E_NOTIMPL; }
  STDMETHODIMP GetControlWindow(UINT id, HWND* out) override;
  STDMETHODIMP SendControlMsg(UINT id, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  STDMETHODIMP QueryActiveShellView(IShellView** out) override;
  STDMETHODIMP OnViewWindowActive(IShellView*) override { return E_NOTIMPL; }
  STDMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }

  // Hosts the private view in the host window (versions other than 5, once); false without a view.
  bool Attach(HWND host);
  bool AreIconsVisible();
  // Shows the icons when hidden and hides them when shown; returns the new visibility.
  bool ToggleIcons();
  // Shows the shell's own list view again when this program hid it.
  void RestoreShellIcons();
  // One frame of icon mirroring; true only in the steady state with icons.
  bool SyncIcons();
  int GetHeaderHeight();
  void ComputeIconBounds(int itemCount) override;
  void MatchIconSize() override;
  IconPlacement* FindPlacement(int item) { return mirror_.FindPlacement(*this, item); }

  void SetIconLayerSink(IconLayerSink* sink) { sink_ = sink; }
  IconLayerSink* sink() const { return sink_; }
  void BeginDrag(const std::vector<int>& selected) { mirror_.BeginDrag(selected); }

  HWND viewWindow() const { return viewWindow_; }
  HWND listView() const { return listView_; }
  const IconMirror& mirror() const { return mirror_; }

 private:
  bool HasPrivateListView() override;
  bool IsPrivateViewWindowVisible() override;
  int PrivateItemCount() override;
  bool PrivateItemText(int item, ds_string& text) override;
  bool PrivateItemPosition(int item, POINT& position) override;
  void SetPrivateItemPosition(int item, POINT position) override;
  void MovePrivateItemOutOfSight(int item) override;
  void AlignPrivateListView() override;
  bool ReadShellIcons(PlacementMap& placements) override;
  void UploadIconLayer() override;
  void ShowPrivateViewWindow() override;
  bool IsShellListViewVisible() override;
  void HidePrivateListView() override;
  void SetShellIconPosition(POINT position, int shellIndex) override;

  LONG refs_ = 0;
  IShellView* view_ = nullptr;  // held for the program's life, never released
  HWND host_ = nullptr;
  HWND viewWindow_ = nullptr;
  IDropTarget* dropTarget_ = nullptr;
  HWND listView_ = nullptr;
  IconMirror mirror_;
  IconLayerSink* sink_ = nullptr;
  bool hidShellIcons_ = false;
};

LRESULT CALLBACK PrivateViewSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PrivateListViewSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
