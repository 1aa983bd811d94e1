// The popup menu on Win32: the system's own, tracked modally. Its loop dispatches what is not
// input for the menu (paints, timers, posted requests) to the program's windows.
#include <string>
#include <vector>

#include "platform/Menu.h"
#include "platform/Unicode.h"
#include "platform/win32/window_record.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

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

    unsigned Track(Point screen, HWND owner) {
        // Top-left corner at the point; the system moves the menu back onto the screen.
        const BOOL command = TrackPopupMenuEx(menu_, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                              screen.x, screen.y, owner, nullptr);
        return static_cast<unsigned>(command);
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
    const unsigned command = menu.Track(backend::ScreenGrid(owner).ToPixels(screen), ownerHandle);
    // A command picked for a window that went away meanwhile has nobody to act on it.
    return backend::Alive(owner) ? command : 0;
}

}  // namespace platform
