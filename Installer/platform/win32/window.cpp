// Native windows on user32: the two window classes, records, creation and destruction, and the
// one procedure through which every recorded window's messages reach the platform procedures.
#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "platform/Unicode.h"
#include "platform/win32/accessibility.h"
#include "platform/win32/window_record.h"
#include "platform/window_slots.h"

#include <richedit.h>

namespace platform {
namespace {

constexpr wchar_t kTopLevelClass[] = L"LWWINDOWKESTREL";
constexpr wchar_t kPanelClass[] = L"LWPANELKESTREL";

std::unordered_map<HWND, NativeWindow>& ByHandle() {
    static std::unordered_map<HWND, NativeWindow> map;
    return map;
}

LRESULT CALLBACK RoutingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void MovedToResolution(NativeWindow w, UINT dpi, const RECT& suggested);

// The program's icon group: the frame and the task switcher take their sizes from it.
constexpr int kApplicationIconGroup = 101;

HICON ApplicationIcon(int sizeMetric) {
    return static_cast<HICON>(LoadImageW(
        backend::ModuleInstance(), MAKEINTRESOURCEW(kApplicationIconGroup), IMAGE_ICON,
        GetSystemMetrics(sizeMetric), GetSystemMetrics(sizeMetric), LR_DEFAULTCOLOR | LR_SHARED));
}

void RegisterClassOnce(const wchar_t* name, UINT style, bool withIcon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(backend::ModuleInstance(), name, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = &RoutingProc;
    windowClass.hInstance = backend::ModuleInstance();
    windowClass.lpszClassName = name;
    if (withIcon) {
        windowClass.hIcon = ApplicationIcon(SM_CXICON);
        windowClass.hIconSm = ApplicationIcon(SM_CXSMICON);
    }
    RegisterClassExW(&windowClass);
}

void Attach(NativeWindow w, HWND hwnd) {
    w->hwnd = hwnd;
    ByHandle()[hwnd] = w;
}

// The window is gone from the system: its record goes, and with it every handle's reach.
void Detach(NativeWindow w) {
    for (auto& [id, callback] : w->timers) {
        ::KillTimer(w->hwnd, id);
    }
    if (w->nativeProc) {
        SetWindowLongPtrW(w->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(w->nativeProc));
    }
    if (w->ownedFont) {
        DeleteObject(w->ownedFont);
    }
    for (HICON icon : {w->bigIcon.handle, w->smallIcon.handle}) {
        if (icon) {
            DestroyIcon(icon);
        }
    }
    ByHandle().erase(w->hwnd);
    slots::Release(w);
}

MessageResult PassOn(NativeWindowRecord* record, HWND hwnd, UINT message, WPARAM wParam,
                     LPARAM lParam) {
    return record && record->nativeProc
               ? CallWindowProcW(record->nativeProc, hwnd, message, wParam, lParam)
               : DefWindowProcW(hwnd, message, wParam, lParam);
}

// A rich edit's wish for a height comes in the system's own notification; the platform
// procedures hear it in the seam's form, naming the sender by its handle. Other notifications
// are laid out differently from the seam's and go to the system's default.
MessageResult RouteNotify(NativeWindow w, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->code != kEnRequestResize) {
        return PassOn(w.operator->(), hwnd, WM_NOTIFY, wParam, lParam);
    }
    const auto* native = reinterpret_cast<const REQRESIZE*>(header);
    RequestResizeNotify notify;
    notify.header.from = backend::RecordOf(header->hwndFrom).Bits();
    notify.header.id = header->idFrom;
    notify.header.code = kEnRequestResize;
    const NativeWindow from = backend::RecordOf(header->hwndFrom);
    notify.requested = backend::Grid(from).CoveringLogical(
        Rect{native->rc.left, native->rc.top, native->rc.right - native->rc.left,
             native->rc.bottom - native->rc.top});
    return w->proc(w, kWmNotify, wParam, reinterpret_cast<LParam>(&notify));
}

LRESULT CALLBACK RoutingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // The handle itself: its bits are wider than a pointer of the 32-bit build.
        const auto* made = static_cast<const NativeWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (made && backend::Alive(*made)) {
            Attach(*made, hwnd);
        }
    }
    const NativeWindow w = backend::RecordOf(hwnd);
    NativeWindowRecord* record = w.operator->();
    if (!record) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        const MessageResult result = PassOn(record, hwnd, message, wParam, lParam);
        Detach(w);
        return result;
    }
    if (record->dying || !record->proc) {
        return PassOn(record, hwnd, message, wParam, lParam);
    }
    switch (message) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            if (!record->doubleClicks) {
                // The press the class turned into a double-click, given back as a press.
                message -= kWmLButtonDblClk - kWmLButtonDown;
            }
            break;
        case WM_NOTIFY:
            return RouteNotify(w, hwnd, wParam, lParam);
        case WM_DPICHANGED:
            MovedToResolution(w, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_GETOBJECT:
            return backend::AnswerGetObject(hwnd, w, wParam, lParam);
        case WM_GETMINMAXINFO: {
            const MessageResult result = record->proc(w, message, wParam, lParam);
            if (NativeWindowRecord* still = w.operator->()) {
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize.x =
                    std::max<LONG>(info->ptMinTrackSize.x, still->minimumOuter.width);
                info->ptMinTrackSize.y =
                    std::max<LONG>(info->ptMinTrackSize.y, still->minimumOuter.height);
            }
            return result;
        }
        default:
            break;
    }
    return record->proc(w, message, wParam, backend::LogicalParam(w, message, lParam));
}

DWORD TopLevelStyleBits(const TopLevelStyle& style, DWORD* exStyle) {
    DWORD bits = WS_CAPTION | WS_SYSMENU;
    *exStyle = WS_EX_DLGMODALFRAME;
    if (style.minimizeBox) {
        bits |= WS_MINIMIZEBOX;
        *exStyle = 0;
    }
    if (style.resizable) {
        bits |= WS_MAXIMIZEBOX | WS_THICKFRAME;
    }
    if (style.borderless) {
        bits = WS_POPUP;
        *exStyle = 0;
    }
    if (style.topmost) {
        *exStyle |= WS_EX_TOPMOST;
    }
    return bits | WS_CLIPCHILDREN;
}

Size GrowByFrame(DWORD style, DWORD exStyle, Size client) {
    RECT rect{0, 0, client.width, client.height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return Size{rect.right - rect.left, rect.bottom - rect.top};
}

BOOL CALLBACK MarkChildDying(HWND child, LPARAM) {
    if (NativeWindowRecord* record = backend::RecordOf(child).operator->()) {
        record->dying = true;
    }
    return TRUE;
}

// Everything that goes with the window: its children, and the windows it owns with theirs.
void MarkDying(HWND hwnd) {
    if (NativeWindowRecord* record = backend::RecordOf(hwnd).operator->()) {
        record->dying = true;
    }
    EnumChildWindows(hwnd, &MarkChildDying, 0);
    std::vector<HWND> owned;
    for (const auto& [candidate, handle] : ByHandle()) {
        if (GetWindow(candidate, GW_OWNER) == hwnd) {
            owned.push_back(candidate);
        }
    }
    for (HWND each : owned) {
        MarkDying(each);
    }
}

// The record made for a window, once CreateWindowExW has answered: it was attached when the
// window first heard of itself, and goes again if the window was not made after all.
NativeWindow Created(NativeWindow w, HWND hwnd) {
    if (!hwnd) {
        if (backend::Alive(w)) {
            slots::Release(w);
        }
        return nullptr;
    }
    return w;
}

HICON MakeIcon(const uint32_t* argbPixels, int width, int height) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = width;
    header.bV5Height = -height;  // top-down rows, as given
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color) {
        return nullptr;
    }
    std::copy_n(argbPixels, size_t(width) * height, static_cast<uint32_t*>(bits));
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

// Moved to a monitor of another resolution: the window takes the rectangle the system suggests,
// and everything in it the new pixels of its logical places and sizes.
void MovedToResolution(NativeWindow w, UINT dpi, const RECT& suggested) {
    // The least size was pixels of the old resolution: it follows the new one, but never refuses
    // the rectangle the system suggests.
    const double ratio = (dpi / 96.0) / w->scale;
    w->minimumOuter = {std::min(static_cast<int>(w->minimumOuter.width * ratio),
                                static_cast<int>(suggested.right - suggested.left)),
                       std::min(static_cast<int>(w->minimumOuter.height * ratio),
                                static_cast<int>(suggested.bottom - suggested.top))};
    w->scale = dpi / 96.0;
    SetWindowPos(w->hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    backend::PlaceChildren(w->hwnd);
    RedrawWindow(w->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace

NativeWindowRecord* NativeWindow::operator->() const {
    return slots::Find(*this);
}

namespace backend {

NativeWindow RecordOf(HWND hwnd) {
    auto found = ByHandle().find(hwnd);
    return found == ByHandle().end() ? NativeWindow() : found->second;
}

HINSTANCE ModuleInstance() {
    return GetModuleHandleW(nullptr);
}

NativeWindow AdoptControl(HWND hwnd) {
    if (!hwnd) {
        return nullptr;
    }
    const NativeWindow w = slots::Allocate();
    Attach(w, hwnd);
    w->proc = &NativeControlProc;
    w->nativeProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RoutingProc)));
    return w;
}

MessageResult NativeControlProc(NativeWindow window, MessageId message, WParam wParam,
                                LParam lParam) {
    NativeWindowRecord* record = window.operator->();
    return record ? PassOn(record, record->hwnd, message, wParam,
                           backend::PhysicalParam(window, message, lParam))
                  : 0;
}

void PlaceChildren(HWND parent) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const NativeWindow w = RecordOf(child);
        if (!w) {
            continue;
        }
        const bool rescaled = w->scale != RecordOf(parent)->scale;
        w->scale = RecordOf(parent)->scale;
        const Rect pixels = Grid(RecordOf(parent))
                                .ToPixels(Rect{w->logicalPosition.x, w->logicalPosition.y,
                                               w->logicalSize.width, w->logicalSize.height});
        RECT now{};
        ::GetWindowRect(child, &now);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&now), 2);
        if (now.left != pixels.x || now.top != pixels.y || now.right != pixels.Right() ||
            now.bottom != pixels.Bottom()) {
            SetWindowPos(child, nullptr, pixels.x, pixels.y, pixels.width, pixels.height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (rescaled) {
            ScaleTextControl(w);
        }
        PlaceChildren(child);
    }
}

}  // namespace backend

NativeWindow CreateTopLevelWindow(NativeWindow owner, Point logicalPosition, Size logicalSize,
                                  const std::string& titleUtf8, const TopLevelStyle& style,
                                  WindowProc proc) {
    backend::BecomeDpiAware();
    RegisterClassOnce(kTopLevelClass, CS_HREDRAW | CS_VREDRAW, true);
    DWORD exStyle = 0;
    const DWORD bits = TopLevelStyleBits(style, &exStyle);
    const NativeWindow w = slots::Allocate();
    w->topLevel = true;
    w->proc = proc;
    w->logicalPosition = logicalPosition;
    w->logicalSize = logicalSize;
    // Made at the system's resolution; the monitor it lands on may have another.
    w->scale = backend::SystemScale();
    const Point outerPosition = backend::ScreenGrid(w).ToPixels(logicalPosition);
    Size outer = GrowByFrame(bits, exStyle, backend::ScreenGrid(w).ToPixels(logicalSize));
    w->minimumOuter = outer;
    HWND hwnd = CreateWindowExW(exStyle, kTopLevelClass, Utf8ToUtf16(titleUtf8).c_str(), bits,
                                outerPosition.x, outerPosition.y, outer.width, outer.height,
                                backend::HandleOf(owner), nullptr, backend::ModuleInstance(),
                                const_cast<NativeWindow*>(&w));
    if (hwnd) {
        w->scale = backend::WindowScale(hwnd);
        // The frame at the window's own resolution decides its outer size.
        const Size wanted = backend::ScreenGrid(w).ToPixels(logicalSize);
        RECT client{};
        GetClientRect(hwnd, &client);
        if (client.right != wanted.width || client.bottom != wanted.height) {
            outer.width += wanted.width - client.right;
            outer.height += wanted.height - client.bottom;
            w->minimumOuter = outer;
            SetWindowPos(hwnd, nullptr, 0, 0, outer.width, outer.height,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        // Focus marks wait for the first key, as in the system's own dialogs.
        ::SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    }
    return Created(w, hwnd);
}

NativeWindow CreateChildWindow(NativeWindow parent, Point logicalPosition, Size logicalSize,
                               WindowProc proc, bool doubleClicks) {
    HWND parentHandle = backend::HandleOf(parent);
    if (!parentHandle) {
        return nullptr;
    }
    RegisterClassOnce(kPanelClass, CS_DBLCLKS | CS_CLASSDC, false);
    const Rect pixels = backend::Grid(parent).ToPixels(
        Rect{logicalPosition.x, logicalPosition.y, logicalSize.width, logicalSize.height});
    const Point position{pixels.x, pixels.y};
    const Size size{pixels.width, pixels.height};
    const NativeWindow w = slots::Allocate();
    w->proc = proc;
    w->doubleClicks = doubleClicks;
    w->scale = parent->scale;
    w->logicalPosition = logicalPosition;
    w->logicalSize = logicalSize;
    return Created(
        w, CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, position.x,
                           position.y, size.width, size.height, parentHandle, nullptr,
                           backend::ModuleInstance(), const_cast<NativeWindow*>(&w)));
}

void DestroyWindow(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return;
    }
    MarkDying(hwnd);
    ::DestroyWindow(hwnd);
}

bool IsWindow(NativeWindow window) {
    return backend::Alive(window);
}

void SetUserData(NativeWindow window, void* data) {
    if (backend::Alive(window)) {
        window->userData = data;
    }
}

void* GetUserData(NativeWindow window) {
    return backend::Alive(window) ? window->userData : nullptr;
}

MessageResult DefaultWindowProc(NativeWindow window, MessageId message, WParam wParam,
                                LParam lParam) {
    return backend::NativeControlProc(window, message, wParam, lParam);
}

void SetWindowTitle(NativeWindow window, const std::string& titleUtf8) {
    if (HWND hwnd = backend::HandleOf(window)) {
        SetWindowTextW(hwnd, Utf8ToUtf16(titleUtf8).c_str());
    }
}

void AddWindowIcon(NativeWindow window, const uint32_t* argbPixels, int width, int height) {
    if (!backend::Alive(window) || !window->topLevel || !argbPixels || width <= 0 || height <= 0) {
        return;
    }
    // The caption takes the image nearest the small icon size, the task switcher the one nearest
    // the large size.
    struct Use {
        WPARAM which;
        int wanted;
        WindowIcon& icon;
    };
    for (Use use : {Use{ICON_SMALL, GetSystemMetrics(SM_CXSMICON), window->smallIcon},
                    Use{ICON_BIG, GetSystemMetrics(SM_CXICON), window->bigIcon}}) {
        if (use.icon.handle &&
            std::abs(width - use.wanted) >= std::abs(use.icon.width - use.wanted)) {
            continue;
        }
        HICON icon = MakeIcon(argbPixels, width, height);
        if (!icon) {
            continue;
        }
        ::SendMessageW(window->hwnd, WM_SETICON, use.which, reinterpret_cast<LPARAM>(icon));
        if (use.icon.handle) {
            DestroyIcon(use.icon.handle);
        }
        use.icon = WindowIcon{icon, width};
    }
}

}  // namespace platform
