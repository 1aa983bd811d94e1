// The folder chooser on Win32: the shell's folder browser, modal over the owner's top-level
// window, whose dialog loop keeps painting and ticking the program's windows.
#include "platform/FolderDialog.h"

#include <algorithm>
#include <string>

#include "platform/Files.h"
#include "platform/Unicode.h"
#include "platform/win32/window_record.h"
#include "platform/win32/windows_api.h"

// After windows.h: the shell headers need its types.
#include <objbase.h>
#include <shlobj.h>

namespace platform {
namespace {

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM initialFolder) {
    if (message == BFFM_INITIALIZED && initialFolder) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, initialFolder);
    }
    return 0;
}

// The browser's new dialog style (resizable, with a button for a new folder) needs a
// single-threaded apartment; a thread already in the multi-threaded one gets the old dialog.
class ComApartment {
  public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool SingleThreaded() const { return SUCCEEDED(result_); }

  private:
    HRESULT result_;
};

std::string PathOf(PIDLIST_ABSOLUTE folder) {
    wchar_t path[MAX_PATH] = {};
    // Virtual folders (the printers, the network neighbourhood) have no file-system path.
    if (!SHGetPathFromIDListW(folder, path)) {
        return "";
    }
    return Utf16ToUtf8(path);
}

}  // namespace

std::string ChooseFolder(NativeWindow owner, const std::string& title,
                         const std::string& initialFolder, bool* noChooser) {
    if (noChooser) {
        *noChooser = false;  // the shell's browser is part of the system
    }
    const ComApartment apartment;
    std::wstring start = Utf8ToUtf16(initialFolder);
    std::replace(start.begin(), start.end(), L'/', L'\\');
    const std::wstring wideTitle = Utf8ToUtf16(title);

    BROWSEINFOW info{};
    const HWND ownerHandle = backend::HandleOf(owner);
    // The browser disables its owner while it runs; a dialog's owner is a top-level window.
    info.hwndOwner = ownerHandle ? GetAncestor(ownerHandle, GA_ROOT) : nullptr;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX;
    if (apartment.SingleThreaded()) {
        info.ulFlags |= BIF_NEWDIALOGSTYLE;
    }
    info.lpfn = &BrowseCallback;
    info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());

    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) {
        return "";
    }
    std::string folder = PathOf(chosen);
    CoTaskMemFree(chosen);
    // The edit box lets the user type a name that need not exist.
    return !folder.empty() && FolderExists(folder) ? folder : "";
}

}  // namespace platform
