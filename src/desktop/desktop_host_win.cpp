#include "desktop/desktop_host_win.h"

#include <commctrl.h>

#include "desktop/desktop_view_win.h"
#include "desktop/shell_icons_win.h"
#include "platform/com_ref.h"

HDC g_IconDC;
BYTE* g_IconBits;
SIZE g_IconBitsSize;
IconBounds g_IconBounds;

namespace {

const DWORD kFolderFlags = 0x10520;  // desktop, transparent, no scroll bars, no web view
const COLORREF kKeyColour = RGB(kIconKey, kIconKey, kIconKey);
const WPARAM kWheelSmaller = 0xFF880008;  // Ctrl + wheel delta -120
const WPARAM kWheelLarger = 0x00780008;   // Ctrl + wheel delta +120

// The one attached host; the replaced window procedures reach it here.
DS_Desktop* g_AttachedDesktop;
WNDPROC g_OldViewWndProc;
WNDPROC g_OldListViewWndProc;

}  // namespace

// ---- COM site -------------------------------------------------------------------------------------

STDMETHODIMP DS_Desktop::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IShellBrowser)) {
    *out = static_cast<IShellBrowser*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

// The object lives until the program ends: the count is kept but never frees it.
STDMETHODIMP_(ULONG) DS_Desktop::AddRef() { return static_cast<ULONG>(++refs_); }
STDMETHODIMP_(ULONG) DS_Desktop::Release() { return static_cast<ULONG>(--refs_); }

STDMETHODIMP DS_Desktop::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = host_;
  return S_OK;
}

STDMETHODIMP DS_Desktop::GetControlWindow(UINT id, HWND* out) {
  if (!out) return E_POINTER;
  if (id != FCW_STATUS) return E_NOTIMPL;
  *out = nullptr;
  return S_OK;
}

STDMETHODIMP DS_Desktop::SendControlMsg(UINT id, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (!result) return E_POINTER;
  if (id != FCW_STATUS) return E_NOTIMPL;
  *result = SendMessageW(nullptr, msg, wParam, lParam);  // there is no status bar
  return S_OK;
}

STDMETHODIMP DS_Desktop::QueryActiveShellView(IShellView** out) {
  if (!out) return E_POINTER;
  *out = ComRef<IShellView>::Shared(view_).Detach();  // the caller's own reference
  return view_ ? S_OK : E_FAIL;
}

// ---- Attaching the private view -------------------------------------------------------------------

bool DS_Desktop::Attach(HWND host) {
  host_ = host;
  ComRef<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Out())) || !desktop) return false;
  if (FAILED(desktop->CreateViewObject(host, IID_IShellView, reinterpret_cast<void**>(&view_))) || !view_) {
    view_ = nullptr;
    return false;
  }
  AddRef();
  FOLDERSETTINGS settings = {FVM_ICON, kFolderFlags};
  wchar_t wallpaper[MAX_PATH] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0);
  RECT rect;
  GetClientRect(host, &rect);  // the view window's rectangle in the host's own coordinates
  if (FAILED(view_->CreateViewWindow(nullptr, &settings, this, &rect, &viewWindow_))) viewWindow_ = nullptr;
  view_->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
  listView_ = viewWindow_ ? FindWindowExW(viewWindow_, nullptr, WC_LISTVIEWW, nullptr) : nullptr;

  if (SUCCEEDED(view_->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&dropTarget_))) && dropTarget_) {
    if (listView_) RegisterDragDrop(listView_, dropTarget_);
    if (viewWindow_) RegisterDragDrop(viewWindow_, dropTarget_);
    RegisterDragDrop(host, dropTarget_);
  }
  if (viewWindow_) ShowWindow(viewWindow_, SW_HIDE);  // shown by the first full mirroring

  if (listView_ && wallpaper[0] == L'\0') {
    // Without a wallpaper the labels are white on the key colour, so only icons and text reach the layer.
    SendMessageW(listView_, LVM_SETTEXTCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(listView_, LVM_SETBKCOLOR, 0, kKeyColour);
    SendMessageW(listView_, LVM_SETTEXTBKCOLOR, 0, kKeyColour);
  }

  if (listView_) {
    HDC dc = ::GetDC(listView_);
    g_IconDC = CreateCompatibleDC(dc);
    ::ReleaseDC(listView_, dc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = rect.right - rect.left;
    info.bmiHeader.biHeight = rect.bottom - rect.top;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(g_IconDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && g_IconDC) {
      SelectObject(g_IconDC, bitmap);
      g_IconBits = static_cast<BYTE*>(bits);
      g_IconBitsSize = SIZE{info.bmiHeader.biWidth, info.bmiHeader.biHeight};
    }
  }

  g_AttachedDesktop = this;
  if (viewWindow_)
    g_OldViewWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(viewWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrivateViewSubclassProc)));
  if (listView_)
    g_OldListViewWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(listView_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrivateListViewSubclassProc)));
  return true;
}

// ---- Visibility -----------------------------------------------------------------------------------

bool DS_Desktop::AreIconsVisible() {
  if (viewWindow_ && IsWindowVisible(viewWindow_) && listView_) return IsWindowVisible(listView_) != FALSE;
  HWND shell = GetShellListView();
  return shell && IsWindowVisible(shell);
}

bool DS_Desktop::ToggleIcons() {
  HWND target = listView_;
  if (!target && IsNt5()) target = GetShellListView();
  // Without a private view on later versions the shell's own icons are left alone.
  if (!target) return AreIconsVisible();
  // The window's own visibility, whatever its parents show.
  bool show = (GetWindowLongW(target, GWL_STYLE) & WS_VISIBLE) == 0;
  ShowWindow(target, show ? SW_SHOW : SW_HIDE);
  if (target != listView_) hidShellIcons_ = !show;
  if (sink_) sink_->SetIconsVisible(show);
  return show;
}

void DS_Desktop::RestoreShellIcons() {
  if (!hidShellIcons_) return;
  if (HWND shell = GetShellListView()) ShowWindow(shell, SW_SHOW);
  hidShellIcons_ = false;
}

// ---- Mirroring --------------------------------------------------------------------------------------

bool DS_Desktop::SyncIcons() { return mirror_.SyncIcons(*this); }

int DS_Desktop::GetHeaderHeight() {
  HWND header = listView_ ? FindWindowExW(listView_, nullptr, WC_HEADERW, nullptr) : nullptr;
  if (!header) return 0;
  RECT r;
  GetWindowRect(header, &r);
  return r.bottom - r.top;
}

void DS_Desktop::ComputeIconBounds(int itemCount) {
  RECT r = {0, 0, 0, 0};
  if (listView_) GetClientRect(listView_, &r);  // label rectangles are client coordinates too
  IconBounds b = StartIconBounds(r);
  for (int i = 0; i < itemCount; ++i) {
    RECT label = {LVIR_LABEL, 0, 0, 0};
    if (SendMessageW(listView_, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&label))) AddIconLabel(b, r, label);
  }
  g_IconBounds = b;
}

namespace {
int LocalIconHeight(HWND list) {
  RECT r = {LVIR_ICON, 0, 0, 0};
  if (!list || !SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r))) return 0;
  return r.bottom - r.top;
}
}  // namespace

void DS_Desktop::MatchIconSize() {
  HWND list = listView_;
  MatchIconHeight(
      ReadIconHeight(GetShellListView()), [list] { return LocalIconHeight(list); },
      [list](bool larger) { SendMessageW(list, WM_MOUSEWHEEL, larger ? kWheelLarger : kWheelSmaller, 0); });
}

bool DS_Desktop::HasPrivateListView() { return listView_ && IsWindow(listView_); }
bool DS_Desktop::IsPrivateViewWindowVisible() { return viewWindow_ && IsWindowVisible(viewWindow_); }
int DS_Desktop::PrivateItemCount() { return static_cast<int>(SendMessageW(listView_, LVM_GETITEMCOUNT, 0, 0)); }

bool DS_Desktop::PrivateItemText(int item, ds_string& text) {
  wchar_t buffer[kItemTextCapacity + 1] = {};
  LVITEMW lv = {};
  lv.mask = LVIF_TEXT;
  lv.iItem = item;
  lv.pszText = buffer;
  lv.cchTextMax = kItemTextCapacity;
  if (!SendMessageW(listView_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv))) return false;
  // The view may hand back its own text instead of filling the buffer.
  const wchar_t* p = lv.pszText && lv.pszText != LPSTR_TEXTCALLBACKW ? lv.pszText : buffer;
  text.assign(reinterpret_cast<const char16_t*>(p), wcsnlen(p, kItemTextCapacity));
  return true;
}

bool DS_Desktop::PrivateItemPosition(int item, POINT& position) {
  return SendMessageW(listView_, LVM_GETITEMPOSITION, item, reinterpret_cast<LPARAM>(&position)) != 0;
}

void DS_Desktop::SetPrivateItemPosition(int item, POINT p) {
  SendMessageW(listView_, LVM_SETITEMPOSITION, item, static_cast<LPARAM>(PackItemPosition(p)));
}

void DS_Desktop::MovePrivateItemOutOfSight(int item) {
  POINT p = {kOutOfSight, kOutOfSight};
  SendMessageW(listView_, LVM_SETITEMPOSITION32, item, reinterpret_cast<LPARAM>(&p));
}

void DS_Desktop::AlignPrivateListView() {
  SetWindowPos(listView_, nullptr, 0, -GetHeaderHeight(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool DS_Desktop::ReadShellIcons(PlacementMap& placements) {
  return ReadsShellIn64BitLayout() ? ReadShellIcons64(placements) : ReadShellIcons32(placements);
}

IconLayerBitmap CurrentIconBitmap() { return IconLayerBitmap{g_IconDC, g_IconBits, g_IconBitsSize, g_IconBounds}; }

void DS_Desktop::UploadIconLayer() {
  if (sink_) sink_->UploadIconLayer(CurrentIconBitmap());
}

void DS_Desktop::ShowPrivateViewWindow() { ShowWindow(viewWindow_, SW_SHOW); }

bool DS_Desktop::IsShellListViewVisible() {
  HWND shell = GetShellListView();
  return shell && IsWindowVisible(shell);
}

void DS_Desktop::HidePrivateListView() {
  ShowWindow(listView_, SW_HIDE);
  if (sink_) sink_->SetIconsVisible(false);
}

void DS_Desktop::SetShellIconPosition(POINT position, int shellIndex) { ::SetShellIconPosition(position, shellIndex); }

// ---- Replaced window procedures ---------------------------------------------------------------------

LRESULT CALLBACK PrivateViewSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      ValidateRect(window, nullptr);
      return 0;
    case WM_PRINT:
    case WM_PRINTCLIENT:
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      HBRUSH brush = CreateSolidBrush(kKeyColour);
      FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
      DeleteObject(brush);
      return 0;
    }
    case WM_NOTIFY: {
      const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr && hdr->code == LVN_BEGINDRAG && g_AttachedDesktop) {
        HWND list = ::GetWindow(window, GW_CHILD);
        std::vector<int> selected;
        if (list && SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) != 0)
          for (int i = -1; (i = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) != -1;)
            selected.push_back(i);
        g_AttachedDesktop->BeginDrag(selected);
      }
      break;
    }
  }
  return CallWindowProcW(g_OldViewWndProc, window, message, wParam, lParam);
}

LRESULT CALLBACK PrivateListViewSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return CallWindowProcW(g_OldListViewWndProc, window, message, wParam, lParam);
  // The list view paints into the icon bitmap instead of the screen. Its background first: a paint alone
  // draws only the items, and would leave the icons of earlier paints in the bitmap.
  if (g_IconDC) CallWindowProcW(g_OldListViewWndProc, window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(g_IconDC), 0);
  CallWindowProcW(g_OldListViewWndProc, window, WM_PAINT, reinterpret_cast<WPARAM>(g_IconDC), 0);
  GdiFlush();
  IconLayerSink* sink = g_AttachedDesktop ? g_AttachedDesktop->sink() : nullptr;
  if (sink) sink->UploadIconLayer(CurrentIconBitmap());
  ValidateRect(window, nullptr);
  if (sink) sink->RenderFrame();
  return 0;
}
