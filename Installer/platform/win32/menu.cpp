// The popup menu on Win32: the system's own, tracked modally. Its loop dispatches what is not
// input for the menu (paints, timers, posted requests) to the program's windows. The menu's
// window is subclassed while it is tracked so that screen readers can read and pick its items:
// the system's standard menu object is missing under Wine.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Menu.h"
#include "platform/Unicode.h"
#include "platform/menu_accessible.h"
#include "platform/win32/accessibility.h"
#include "platform/win32/window_record.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

// The menu being tracked (one at a time, on the loop thread).
struct TrackedMenu {
    const std::vector<MenuItem>* items = nullptr;
    HMENU handle = nullptr;
    HWND window = nullptr;
    WNDPROC systemProc = nullptr;
    unsigned picked = 0;  // by a screen reader
};

TrackedMenu*& Tracked() {
    static TrackedMenu* tracked = nullptr;
    return tracked;
}

// The item under the system's highlight, which keys and the pointer move, or -1.
int HighlightedItem(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) {
            return i;
        }
    }
    return -1;
}

LRESULT CALLBACK MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TrackedMenu& menu = *Tracked();
    switch (message) {
        case WM_GETOBJECT:
            return backend::AnswerGetObject(hwnd, NativeWindow(), wParam, lParam);
        case kWmGetAccessibleInfo:
            *reinterpret_cast<AccessibleInfo*>(lParam) =
                DescribeMenu(*menu.items, HighlightedItem(menu.handle));
            return 0;
        case kWmAccessibleAction:
            if (const unsigned command = PickedMenuCommand(*menu.items, wParam, lParam)) {
                menu.picked = command;
                EndMenu();
            }
            return 0;
        case WM_NCDESTROY:
            menu.window = nullptr;
            break;
        default:
            break;
    }
    return CallWindowProcW(menu.systemProc, hwnd, message, wParam, lParam);
}

bool IsMenuWindow(HWND hwnd) {
    wchar_t name[16] = {};
    return GetClassNameW(hwnd, name, 16) > 0 && std::wstring_view(name) == L"#32768";
}

// Wine's menus raise no focus event as their highlight moves (keys or pointer); they tell the
// owner with WM_MENUSELECT, and screen readers learn it from here.
LRESULT CALLBACK WatchHighlight(int code, WPARAM wParam, LPARAM lParam) {
    const TrackedMenu* menu = Tracked();
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && menu && menu->window && sent->message == WM_MENUSELECT &&
        reinterpret_cast<HMENU>(sent->lParam) == menu->handle) {
        backend::NotifyAccessible(menu->window, NativeWindow(), AccessibleEvent::kFocus);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Catches the menu's window as the system makes it.
LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
    TrackedMenu* menu = Tracked();
    const auto hwnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && menu && !menu->window && IsMenuWindow(hwnd)) {
        menu->window = hwnd;
        menu->systemProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuWindowProc)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A menu reads '&' as the mark of a mnemonic; doubled, it shows as itself.
std::wstring MenuLabel(const std::string& labelUtf8) {
    std::wstring label;
    for (wchar_t c : Utf8ToUtf16(labelUtf8)) {
        label += c;
        if (c == L'&') {
            label += c;
        }
    }
    return label;
}

class PopupMenu {
  public:
    PopupMenu() : menu_(CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu_) {
            DestroyMenu(menu_);
        }
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    bool IsValid() const { return menu_ != nullptr; }

    bool Add(const MenuItem& item) {
        // The menu copies the text when the item is inserted.
        std::wstring label = MenuLabel(item.labelUtf8);
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_TYPE | (item.checked ? MIIM_STATE : 0u);
        info.fType = MFT_STRING;
        info.fState = item.checked ? MFS_CHECKED : 0u;
        info.wID = item.command;
        info.dwTypeData = label.data();
        return InsertMenuItemW(menu_, count_++, TRUE, &info) != FALSE;
    }

    unsigned Track(const std::vector<MenuItem>& items, Point screen, HWND owner) {
        TrackedMenu tracked{&items, menu_};
        Tracked() = &tracked;
        const HHOOK hooks[] = {
            SetWindowsHookExW(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId()),
            SetWindowsHookExW(WH_CALLWNDPROC, WatchHighlight, nullptr, GetCurrentThreadId())};
        // Top-left corner at the point; the system moves the menu back onto the screen.
        const BOOL command = TrackPopupMenuEx(menu_, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                              screen.x, screen.y, owner, nullptr);
        for (HHOOK hook : hooks) {
            if (hook) {
                UnhookWindowsHookEx(hook);
            }
        }
        if (tracked.window) {
            SetWindowLongPtrW(tracked.window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(tracked.systemProc));
        }
        if (tracked.systemProc) {
            // For screen readers the menu's highlight had the focus; it goes back where it was.
            NotifyAccessible(platform::GetFocus(), AccessibleEvent::kFocus);
        }
        Tracked() = nullptr;
        return command != 0 ? static_cast<unsigned>(command) : tracked.picked;
    }

  private:
    HMENU menu_;
    UINT count_ = 0;
};

}  // namespace

unsigned RunPopupMenu(const std::vector<MenuItem>& items, Point screen, NativeWindow owner) {
    const HWND ownerHandle = backend::HandleOf(owner);
    if (!ownerHandle || items.empty()) {
        return 0;
    }
    PopupMenu menu;
    if (!menu.IsValid()) {
        return 0;
    }
    for (const MenuItem& item : items) {
        if (!menu.Add(item)) {
            return 0;
        }
    }
    const unsigned command =
        menu.Track(items, backend::ScreenGrid(owner).ToPixels(screen), ownerHandle);
    // A command picked for a window that went away meanwhile has nobody to act on it.
    return backend::Alive(owner) ? command : 0;
}

}  // namespace platform
