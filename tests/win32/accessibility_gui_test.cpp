// The wizard driven as a screen reader on Windows drives it: from this process, through MSAA
// alone (AccessibleObjectFromWindow, accDoDefaultAction), with no pointer and no keyboard, and
// its focus followed through an out-of-context event hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/WizardTexts.h"
#include "draw/TextConversion.h"
#include "win32_test_support.h"

// After windows.h, which the support header brings.
#include <oleacc.h>

namespace {

const wchar_t kHostsKey[] = L"SOFTWARE\\Adobe\\After Effects";

// The windows each event was raised for, in order.
std::vector<HWND>& Events(DWORD event) {
    static std::vector<HWND> focus;
    static std::vector<HWND> state;
    static std::vector<HWND> other;
    return event == EVENT_OBJECT_FOCUS ? focus : event == EVENT_OBJECT_STATECHANGE ? state : other;
}

// Focus events raised for a simple element of a window: the window and the child id.
std::vector<std::pair<HWND, LONG>>& PartFocusEvents() {
    static std::vector<std::pair<HWND, LONG>> focus;
    return focus;
}

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                      DWORD) {
    const LONG expected = event == EVENT_SYSTEM_DIALOGSTART ? OBJID_WINDOW : OBJID_CLIENT;
    if (object == expected && child == CHILDID_SELF) {
        Events(event).push_back(hwnd);
    } else if (event == EVENT_OBJECT_FOCUS && object == OBJID_CLIENT) {
        PartFocusEvents().emplace_back(hwnd, child);
    }
}

bool Seen(DWORD event, HWND hwnd) {
    const std::vector<HWND>& seen = Events(event);
    return std::find(seen.begin(), seen.end(), hwnd) != seen.end();
}

// Out-of-context events arrive as messages of this thread.
bool PumpUntil(const std::function<bool()>& condition) {
    return wintest::WaitUntil([&] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        return condition();
    });
}

VARIANT Child(long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

VARIANT Self() {
    return Child(CHILDID_SELF);
}

std::string Take(BSTR text) {
    std::string utf8 = text ? WideToUtf8(std::wstring(text, SysStringLen(text))) : std::string();
    SysFreeString(text);
    return utf8;
}

// What a screen reader reads of one window's client object.
struct Control {
    HWND hwnd = nullptr;
    IAccessible* accessible = nullptr;
    std::string name;
    long role = 0;
    long state = 0;
};

Control Read(HWND hwnd) {
    Control control;
    control.hwnd = hwnd;
    if (FAILED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible,
                                          reinterpret_cast<void**>(&control.accessible)))) {
        control.accessible = nullptr;
        return control;
    }
    BSTR name = nullptr;
    control.accessible->get_accName(Self(), &name);
    control.name = Take(name);
    VARIANT role{};
    control.accessible->get_accRole(Self(), &role);
    control.role = role.lVal;
    VARIANT state{};
    control.accessible->get_accState(Self(), &state);
    control.state = state.lVal;
    return control;
}

class Controls {
  public:
    explicit Controls(HWND top) { EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(this)); }
    ~Controls() {
        for (Control& control : controls_) {
            if (control.accessible) {
                control.accessible->Release();
            }
        }
    }
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    // The shown control of this role and name, or null.
    const Control* Find(long role, const std::string& name) const {
        for (const Control& control : controls_) {
            if (control.role == role && control.name == name &&
                !(control.state & STATE_SYSTEM_INVISIBLE)) {
                return &control;
            }
        }
        return nullptr;
    }

  private:
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM self) {
        reinterpret_cast<Controls*>(self)->controls_.push_back(Read(hwnd));
        return TRUE;
    }
    std::vector<Control> controls_;
};

// Presses or toggles the shown control of this role and name by its default action alone.
bool DoDefaultAction(HWND top, long role, const std::string& name) {
    const Controls controls(top);
    const Control* control = controls.Find(role, name);
    return control && SUCCEEDED(control->accessible->accDoDefaultAction(Self()));
}

bool Shows(HWND top, long role, const std::string& name, long state = -1) {
    const Controls controls(top);
    const Control* control = controls.Find(role, name);
    return control && (state < 0 || (control->state & state) == state);
}

// The page's own text: the first part of the window's client object.
std::string PageText(HWND top) {
    Control window = Read(top);
    if (!window.accessible) {
        return {};
    }
    VARIANT first{};
    first.vt = VT_I4;
    first.lVal = 1;
    BSTR name = nullptr;
    window.accessible->get_accName(first, &name);
    window.accessible->Release();
    return Take(name);
}

void SetHost(const wchar_t* version, const std::string& folder) {
    CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr);
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kHostsKey) + L"\\" + version;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring data = Utf8ToWide(folder);
    RegSetValueExW(key, L"PluginInstallPath", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// A key typed as the user types it, to the window that has the keyboard.
void TypeKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, inputs, sizeof inputs[0]), 2u);
}

long StateOf(IAccessible* accessible, long child) {
    VARIANT state{};
    accessible->get_accState(Child(child), &state);
    return state.lVal;
}

// Down moves the open menu's highlight from item to item. Each item it lands on is the focus,
// announced on the menu with the item's child id and named by accFocus, while the checked item
// stays selected.
void FollowHighlight(HWND menu, IAccessible* accessible) {
    for (long id : {1L, 2L}) {
        TypeKey(VK_DOWN);
        const std::pair<HWND, LONG> announced(menu, id);
        EXPECT_TRUE(PumpUntil([&] {
            const auto& seen = PartFocusEvents();
            return std::find(seen.begin(), seen.end(), announced) != seen.end();
        })) << "no focus event for item "
            << id;
        VARIANT focus{};
        EXPECT_EQ(accessible->get_accFocus(&focus), S_OK);
        EXPECT_EQ(focus.vt, VT_I4);
        EXPECT_EQ(focus.lVal, id);
        EXPECT_TRUE(StateOf(accessible, id) & STATE_SYSTEM_FOCUSED) << id;
        EXPECT_FALSE(StateOf(accessible, 3 - id) & STATE_SYSTEM_FOCUSED) << id;
        EXPECT_TRUE(StateOf(accessible, 1) & STATE_SYSTEM_SELECTED) << id;
    }
}

std::string ValueOf(IAccessible* accessible) {
    BSTR value = nullptr;
    accessible->get_accValue(Self(), &value);
    return Take(value);
}

// The Custom entry's combo box, opened by its default action; its menu read while open and an
// item picked by the item's default action.
void ChooseBitness(HWND top) {
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_CHECKBUTTON, "Custom"));
    ASSERT_TRUE(PumpUntil(
        [&] { return Shows(top, ROLE_SYSTEM_COMBOBOX, "Custom", STATE_SYSTEM_COLLAPSED); }));
    HWND combo = Controls(top).Find(ROLE_SYSTEM_COMBOBOX, "Custom")->hwnd;
    Events(EVENT_OBJECT_STATECHANGE).clear();
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_COMBOBOX, "Custom"));
    HWND menu = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    }));
    EXPECT_TRUE(Shows(top, ROLE_SYSTEM_COMBOBOX, "Custom", STATE_SYSTEM_EXPANDED));
    EXPECT_TRUE(PumpUntil([&] { return Seen(EVENT_OBJECT_STATECHANGE, combo); }));

    const Control read = Read(menu);
    ASSERT_TRUE(read.accessible);
    EXPECT_EQ(read.role, ROLE_SYSTEM_MENUPOPUP);
    long count = 0;
    read.accessible->get_accChildCount(&count);
    std::vector<std::string> items;
    for (long id = 1; id <= count; ++id) {
        BSTR name = nullptr;
        read.accessible->get_accName(Child(id), &name);
        VARIANT role{};
        read.accessible->get_accRole(Child(id), &role);
        VARIANT state{};
        read.accessible->get_accState(Child(id), &state);
        items.push_back(Take(name) + (role.lVal == ROLE_SYSTEM_MENUITEM ? " item" : " ?") +
                        ((state.lVal & STATE_SYSTEM_SELECTED) ? " selected" : ""));
    }
    EXPECT_EQ(items, (std::vector<std::string>{"32-bit item selected", "64-bit item"}));
    FollowHighlight(menu, read.accessible);
    Events(EVENT_OBJECT_STATECHANGE).clear();
    Events(EVENT_OBJECT_FOCUS).clear();
    EXPECT_EQ(read.accessible->accDoDefaultAction(Child(2)), S_OK);
    read.accessible->Release();

    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }));
    // The focus that the highlight had is announced back on the window with the keyboard.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    EXPECT_TRUE(PumpUntil([&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &thread) &&
               thread.hwndFocus && Seen(EVENT_OBJECT_FOCUS, thread.hwndFocus);
    })) << "no focus event for "
        << thread.hwndFocus;
    ASSERT_TRUE(PumpUntil(
        [&] { return Shows(top, ROLE_SYSTEM_COMBOBOX, "Custom", STATE_SYSTEM_COLLAPSED); }));
    EXPECT_TRUE(PumpUntil([&] { return Seen(EVENT_OBJECT_STATECHANGE, combo); }));
    const Control box = Read(combo);
    EXPECT_EQ(ValueOf(box.accessible), "64-bit");
    box.accessible->Release();
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_CHECKBUTTON, "Custom"));
    ASSERT_TRUE(PumpUntil([&] { return !Shows(top, ROLE_SYSTEM_COMBOBOX, "Custom"); }));
}

class WizardThroughMsaa : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitialize(nullptr);
        SetHost(L"11", folder_ / "CS6");
        SetHost(L"12", folder_ / "CC");
        hook_ = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, OnEvent, 0,
                                0, WINEVENT_OUTOFCONTEXT);
        dialogHook_ = SetWinEventHook(EVENT_SYSTEM_DIALOGSTART, EVENT_SYSTEM_DIALOGSTART, nullptr,
                                      OnEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
    }
    void TearDown() override {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        UnhookWinEvent(hook_);
        UnhookWinEvent(dialogHook_);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kHostsKey);
        CoUninitialize();
    }
    HWND StartWizard() {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = wintest::QuotedLinuxProgram(KESTREL_INSTALLER_PATH) + L" /UAC";
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_)) {
            return nullptr;
        }
        HWND top = nullptr;
        PumpUntil([&] {
            top = FindWindowW(nullptr, Utf8ToWide(kWizardTitle).c_str());
            return top && IsWindowVisible(top);
        });
        return top;
    }

    wintest::ScratchFolder folder_;
    HWINEVENTHOOK hook_ = nullptr;
    HWINEVENTHOOK dialogHook_ = nullptr;
    PROCESS_INFORMATION process_{};
};

TEST_F(WizardThroughMsaa, InstallsByDefaultActionsAloneAndReadsEveryPage) {
    const HWND top = StartWizard();
    ASSERT_TRUE(top);

    // Welcome: the page's text, and the focus on "Next >", announced.
    ASSERT_TRUE(PumpUntil([&] { return PageText(top).find("This will install") == 0; }));
    const Control window = Read(top);
    EXPECT_EQ(window.name, kWizardTitle);
    EXPECT_EQ(window.role, ROLE_SYSTEM_CLIENT);
    window.accessible->Release();
    ASSERT_TRUE(PumpUntil(
        [&] { return Shows(top, ROLE_SYSTEM_PUSHBUTTON, "Next >", STATE_SYSTEM_FOCUSED); }));
    EXPECT_TRUE(Shows(top, ROLE_SYSTEM_PUSHBUTTON, "< Back", STATE_SYSTEM_UNAVAILABLE));
    {
        const Controls controls(top);
        const HWND next = controls.Find(ROLE_SYSTEM_PUSHBUTTON, "Next >")->hwnd;
        EXPECT_TRUE(PumpUntil([&] { return Seen(EVENT_OBJECT_FOCUS, next); }))
            << "no focus event for Next >";
    }

    // Licence: a document, accepted by the button's action.
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_PUSHBUTTON, "Next >"));
    ASSERT_TRUE(PumpUntil([&] { return Shows(top, ROLE_SYSTEM_PUSHBUTTON, "I ACCEPT"); }));
    {
        // Focused, the licence holds the system caret, which screen readers follow.
        const Controls controls(top);
        const Control* licence = controls.Find(ROLE_SYSTEM_DOCUMENT, "");
        ASSERT_TRUE(licence);
        EXPECT_EQ(licence->accessible->accSelect(SELFLAG_TAKEFOCUS, Self()), S_OK);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        EXPECT_TRUE(PumpUntil([&] {
            return GetGUIThreadInfo(process_.dwThreadId, &thread) &&
                   thread.hwndCaret == licence->hwnd;
        })) << "the caret is in "
            << thread.hwndCaret;
    }
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_PUSHBUTTON, "I ACCEPT"));

    // Hosts: both ticked; CC unticked by the check box's action.
    ASSERT_TRUE(
        PumpUntil([&] { return Shows(top, ROLE_SYSTEM_CHECKBUTTON, "CC", STATE_SYSTEM_CHECKED); }));
    EXPECT_EQ(PageText(top), kHostPageText);
    EXPECT_TRUE(Shows(top, ROLE_SYSTEM_CHECKBUTTON, "CS6", STATE_SYSTEM_CHECKED));
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_CHECKBUTTON, "CC"));
    ASSERT_TRUE(PumpUntil([&] {
        return Shows(top, ROLE_SYSTEM_CHECKBUTTON, "CC") &&
               !Shows(top, ROLE_SYSTEM_CHECKBUTTON, "CC", STATE_SYSTEM_CHECKED);
    }));
    ChooseBitness(top);

    // Nothing ticked: the validation dialog, read as a dialog with its message, answered by
    // its button's action.
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_CHECKBUTTON, "CS6"));
    ASSERT_TRUE(PumpUntil(
        [&] { return !Shows(top, ROLE_SYSTEM_CHECKBUTTON, "CS6", STATE_SYSTEM_CHECKED); }));
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_PUSHBUTTON, "Next >"));
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        dialog = FindWindowW(nullptr, Utf8ToWide(kValidationTitle).c_str());
        return dialog && IsWindowVisible(dialog);
    }));
    Control read = Read(dialog);
    ASSERT_TRUE(read.accessible);
    EXPECT_EQ(read.role, ROLE_SYSTEM_DIALOG);
    BSTR description = nullptr;
    read.accessible->get_accDescription(Self(), &description);
    EXPECT_EQ(Take(description), kValidationMessage);
    read.accessible->Release();
    // Announced as a dialog opening; the wizard's own window never was.
    EXPECT_TRUE(PumpUntil([&] { return Seen(EVENT_SYSTEM_DIALOGSTART, dialog); }));
    EXPECT_FALSE(Seen(EVENT_SYSTEM_DIALOGSTART, top));
    ASSERT_TRUE(DoDefaultAction(dialog, ROLE_SYSTEM_PUSHBUTTON, "OK"));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }));
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_CHECKBUTTON, "CS6"));
    ASSERT_TRUE(PumpUntil(
        [&] { return Shows(top, ROLE_SYSTEM_CHECKBUTTON, "CS6", STATE_SYSTEM_CHECKED); }));

    // Summary, then the installation, to the finished page.
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_PUSHBUTTON, "Next >"));
    ASSERT_TRUE(PumpUntil([&] { return PageText(top) == kSummaryPageText; }));
    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_PUSHBUTTON, "Next >"));
    ASSERT_TRUE(PumpUntil([&] { return PageText(top) == kFinishedText; }));
    EXPECT_TRUE(Shows(top, ROLE_SYSTEM_PUSHBUTTON, "Finish", STATE_SYSTEM_FOCUSED));
    EXPECT_TRUE(wintest::Exists(folder_ / "CS6\\Larkspur\\Kestrel.aex"));
    EXPECT_FALSE(wintest::Exists(folder_ / "CC\\Larkspur\\Kestrel.aex"));

    ASSERT_TRUE(DoDefaultAction(top, ROLE_SYSTEM_PUSHBUTTON, "Finish"));
    ASSERT_EQ(WaitForSingleObject(process_.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process_.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

}  // namespace
