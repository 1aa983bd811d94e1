// The entry in "Apps & features": HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall, in the
// program's own view, as every installer of its bitness writes it.
#include "platform/Unicode.h"
#include "platform/UninstallEntry.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

const std::wstring kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

std::wstring OwnProgram() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

}  // namespace

bool RegisterUninstaller(const UninstallEntry& entry, const std::string& programCopy) {
    const std::wstring copy = Utf8ToUtf16(programCopy);
    const std::wstring self = OwnProgram();
    // The copy may be the program that runs: an uninstaller started from the list, installing.
    if (self.empty() || (lstrcmpiW(self.c_str(), copy.c_str()) != 0 &&
                         !CopyFileW(self.c_str(), copy.c_str(), FALSE))) {
        return false;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + Utf8ToUtf16(entry.keyName)).c_str(), 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring command = L"\"" + copy + L"\" --uninstall";
    const DWORD size = entry.estimatedSizeKb;
    const DWORD one = 1;
    bool ok = SetText(key, L"DisplayName", Utf8ToUtf16(entry.displayName)) &&
              SetText(key, L"DisplayVersion", Utf8ToUtf16(entry.displayVersion)) &&
              SetText(key, L"Publisher", Utf8ToUtf16(entry.publisher)) &&
              SetText(key, L"InstallLocation", Utf8ToUtf16(entry.installLocation)) &&
              SetText(key, L"DisplayIcon", copy) && SetText(key, L"UninstallString", command) &&
              SetText(key, L"QuietUninstallString", command + L" --silent");
    ok = ok && RegSetValueExW(key, L"EstimatedSize", 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&size), sizeof size) == ERROR_SUCCESS;
    // No "Modify" or "Repair": the installer offers neither.
    ok = ok &&
         RegSetValueExW(key, L"NoModify", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                        sizeof one) == ERROR_SUCCESS &&
         RegSetValueExW(key, L"NoRepair", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                        sizeof one) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

void RemoveUninstaller(const std::string& keyName, const std::string& programCopy) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kUninstallKey + Utf8ToUtf16(keyName)).c_str());
    const std::wstring copy = Utf8ToUtf16(programCopy);
    if (!DeleteFileW(copy.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        MoveFileExW(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

}  // namespace platform
