// Screen readers on Windows: MSAA. Each of our windows answers WM_GETOBJECT(OBJID_CLIENT) with
// an IAccessible of its own, which reads the window's AccessibleInfo afresh at every call; the
// parts a window paints are its simple elements (child ids 1..n), before its child windows.
// Location, navigation, hit testing and the parent come from the system's standard object.
#include "platform/win32/accessibility.h"

#include <oleacc.h>

#include <memory>

#include "platform/Accessibility.h"
#include "platform/Events.h"
#include "platform/Unicode.h"
#include "platform/win32/window_record.h"

namespace platform {
namespace {

LONG RoleOf(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::kPanel:
            return ROLE_SYSTEM_PANE;
        case AccessibleRole::kWindow:
            return ROLE_SYSTEM_CLIENT;
        case AccessibleRole::kDialog:
            return ROLE_SYSTEM_DIALOG;
        case AccessibleRole::kPushButton:
            return ROLE_SYSTEM_PUSHBUTTON;
        case AccessibleRole::kCheckBox:
            return ROLE_SYSTEM_CHECKBUTTON;
        case AccessibleRole::kComboBox:
            return ROLE_SYSTEM_COMBOBOX;
        case AccessibleRole::kMenu:
            return ROLE_SYSTEM_MENUPOPUP;
        case AccessibleRole::kMenuItem:
            return ROLE_SYSTEM_MENUITEM;
        case AccessibleRole::kScrollBar:
            return ROLE_SYSTEM_SCROLLBAR;
        case AccessibleRole::kStaticText:
            return ROLE_SYSTEM_STATICTEXT;
        case AccessibleRole::kDocument:
            return ROLE_SYSTEM_DOCUMENT;
        case AccessibleRole::kProgressBar:
            return ROLE_SYSTEM_PROGRESSBAR;
    }
    return ROLE_SYSTEM_CLIENT;
}

LONG StateOf(const AccessibleInfo& info) {
    LONG state = 0;
    if (info.states & kAccessibleFocusable) {
        state |= STATE_SYSTEM_FOCUSABLE;
    }
    if (info.states & kAccessibleFocused) {
        state |= STATE_SYSTEM_FOCUSED;
    }
    if (!(info.states & kAccessibleEnabled)) {
        state |= STATE_SYSTEM_UNAVAILABLE;
    }
    if (info.states & kAccessibleChecked) {
        state |= STATE_SYSTEM_CHECKED;
    }
    if (info.actions & kAccessibleOpen) {
        state |=
            (info.states & kAccessibleExpanded) ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
    }
    if (!(info.states & kAccessibleVisible)) {
        state |= STATE_SYSTEM_INVISIBLE;
    }
    if (info.states & kAccessibleSelectable) {
        state |= STATE_SYSTEM_SELECTABLE;
    }
    if (info.states & kAccessibleSelected) {
        state |= STATE_SYSTEM_SELECTED;
    }
    if (info.hasText && !info.actions) {
        state |= STATE_SYSTEM_READONLY;
    }
    return state;
}

// The action a client's accDoDefaultAction asks for: the first one the object offers.
unsigned DefaultAction(const AccessibleInfo& info) {
    for (unsigned bit = kAccessiblePress; bit <= kAccessibleOpen; bit <<= 1) {
        if (info.actions & bit) {
            return bit;
        }
    }
    return 0;
}

const wchar_t* ActionName(const AccessibleInfo& info) {
    switch (DefaultAction(info)) {
        case kAccessiblePress:
            return L"Press";
        case kAccessibleToggle:
            return (info.states & kAccessibleChecked) ? L"Uncheck" : L"Check";
        case kAccessibleOpen:
            return L"Open";
        default:
            return nullptr;
    }
}

HRESULT Text(const std::string& utf8, BSTR* out) {
    if (!out) {
        return E_INVALIDARG;
    }
    *out = nullptr;
    if (utf8.empty()) {
        return S_FALSE;
    }
    const WideString wide = Utf8ToUtf16(utf8);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// `window` is null for a system window (a popup menu) that answers kWmGetAccessibleInfo itself.
AccessibleInfo DescribeWindow(HWND hwnd, NativeWindow window) {
    AccessibleInfo info;
    if (window) {
        SendMessage(window, kWmGetAccessibleInfo, 0, reinterpret_cast<LParam>(&info));
    } else {
        SendMessageW(hwnd, kWmGetAccessibleInfo, 0, reinterpret_cast<LPARAM>(&info));
    }
    return info;
}

// The child id of what holds the keyboard inside the window: a part, or the window itself.
LONG FocusedChild(const AccessibleInfo& info) {
    const int part = info.FocusedPart();
    return part >= 0 ? part + 1 : CHILDID_SELF;
}

class WindowAccessible final : public IAccessible {
  public:
    WindowAccessible(HWND hwnd, NativeWindow window, IAccessible* standard)
        : hwnd_(hwnd), window_(window), standard_(standard) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients of MSAA call the methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        long windows = 0;
        const HRESULT result = standard_->get_accChildCount(&windows);
        *count = static_cast<long>(Describe().parts.size()) + (SUCCEEDED(result) ? windows : 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        *out = nullptr;
        const long parts = static_cast<long>(Describe().parts.size());
        if (child.vt != VT_I4 || child.lVal <= 0) {
            return E_INVALIDARG;
        }
        if (child.lVal <= parts) {
            return S_FALSE;  // a simple element, answered by this object
        }
        child.lVal -= parts;
        return standard_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return TextOf(child, &AccessibleInfo::name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        AccessibleInfo info;
        if (!Element(child, info)) {
            return E_INVALIDARG;
        }
        if (!info.hasValue) {
            *value = nullptr;
            return DISP_E_MEMBERNOTFOUND;
        }
        return Text(
            info.valueText.empty() ? std::to_string(static_cast<long>(info.value)) : info.valueText,
            value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return TextOf(child, &AccessibleInfo::description, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return NumberOf(
            child, [](const AccessibleInfo& info) { return RoleOf(info.role); }, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return NumberOf(child, StateOf, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        *file = nullptr;
        *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
        *shortcut = nullptr;
        return S_FALSE;
    }
    // A part that holds the keyboard is ours to name: the system knows only of windows.
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        const LONG child = Alive() ? FocusedChild(Describe()) : CHILDID_SELF;
        if (child == CHILDID_SELF) {
            return standard_->get_accFocus(focus);
        }
        focus->vt = VT_I4;
        focus->lVal = child;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return standard_->get_accSelection(selection);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        AccessibleInfo info;
        if (!Element(child, info)) {
            return E_INVALIDARG;
        }
        const wchar_t* name = ActionName(info);
        *action = name ? SysAllocString(name) : nullptr;
        return name ? S_OK : S_FALSE;
    }
    // Taking the focus is ours to do: the standard object does not under Wine.
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        AccessibleInfo info;
        if (flags != SELFLAG_TAKEFOCUS || !IsSelf(child)) {
            return standard_->accSelect(flags, child);
        }
        if (!Element(child, info) || !(info.states & kAccessibleFocusable)) {
            return E_INVALIDARG;
        }
        SetFocus(hwnd_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* width, long* height,
                                          VARIANT child) override {
        // A part lies somewhere in its window: the window's rectangle holds it.
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        return standard_->accLocation(x, y, width, height, IsSelf(child) ? child : self);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    // Posted: the client's call returns before the press runs, which may open a modal dialog.
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        AccessibleInfo info;
        if (!Element(child, info)) {
            return E_INVALIDARG;
        }
        const unsigned action = DefaultAction(info);
        if (action == 0) {
            return DISP_E_MEMBERNOTFOUND;
        }
        // The child id is the part's number, 0 (CHILDID_SELF) the window itself.
        PostMessageW(hwnd_, kWmAccessibleAction, action, child.lVal);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~WindowAccessible() { standard_->Release(); }

    static bool IsSelf(const VARIANT& child) {
        return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
    }

    bool Alive() const { return window_ ? backend::Alive(window_) : IsWindow(hwnd_) != FALSE; }

    AccessibleInfo Describe() const { return DescribeWindow(hwnd_, window_); }

    HRESULT TextOf(const VARIANT& child, std::string AccessibleInfo::*text, BSTR* out) const {
        AccessibleInfo info;
        return Element(child, info) ? Text(info.*text, out) : E_INVALIDARG;
    }

    HRESULT NumberOf(const VARIANT& child, LONG (*number)(const AccessibleInfo&),
                     VARIANT* out) const {
        AccessibleInfo info;
        if (!Element(child, info)) {
            return E_INVALIDARG;
        }
        out->vt = VT_I4;
        out->lVal = number(info);
        return S_OK;
    }

    // The window itself or one of its parts; false for anything else, or a window that is gone.
    bool Element(const VARIANT& child, AccessibleInfo& out) const {
        if (child.vt != VT_I4 || !Alive()) {
            return false;
        }
        AccessibleInfo info = Describe();
        if (child.lVal == CHILDID_SELF) {
            out = std::move(info);
            return true;
        }
        if (child.lVal < 1 || static_cast<size_t>(child.lVal) > info.parts.size()) {
            return false;
        }
        out = std::move(info.parts[static_cast<size_t>(child.lVal - 1)]);
        return true;
    }

    long references_ = 1;
    HWND hwnd_;
    NativeWindow window_;
    IAccessible* standard_;  // owned reference
};

}  // namespace

// Clients ask each window through WM_GETOBJECT: there is nothing to connect to.
void StartAccessibility() {}

void NotifyAccessible(NativeWindow window, AccessibleEvent event) {
    if (HWND hwnd = backend::HandleOf(window)) {
        backend::NotifyAccessible(hwnd, window, event);
    }
}

namespace backend {

void NotifyAccessible(HWND hwnd, NativeWindow window, AccessibleEvent event) {
    auto raise = [hwnd](DWORD winEvent, LONG child) {
        NotifyWinEvent(winEvent, hwnd, OBJID_CLIENT, child);
    };
    switch (event) {
        case AccessibleEvent::kFocus:
            raise(EVENT_OBJECT_FOCUS, FocusedChild(DescribeWindow(hwnd, window)));
            break;
        case AccessibleEvent::kState:
            raise(EVENT_OBJECT_STATECHANGE, CHILDID_SELF);
            break;
        case AccessibleEvent::kName:
            raise(EVENT_OBJECT_NAMECHANGE, CHILDID_SELF);
            raise(EVENT_OBJECT_DESCRIPTIONCHANGE, CHILDID_SELF);
            break;
        case AccessibleEvent::kValue: {
            const AccessibleInfo info = DescribeWindow(hwnd, window);
            if (info.hasValue) {
                raise(EVENT_OBJECT_VALUECHANGE, CHILDID_SELF);
            }
            for (size_t i = 0; i < info.parts.size(); ++i) {
                if (info.parts[i].hasValue) {
                    raise(EVENT_OBJECT_VALUECHANGE, static_cast<LONG>(i + 1));
                }
            }
            break;
        }
        case AccessibleEvent::kCaret:
            // What the system caret raises when it moves; native text controls move it
            // themselves.
            NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, hwnd, OBJID_CARET, CHILDID_SELF);
            raise(EVENT_OBJECT_TEXTSELECTIONCHANGED, CHILDID_SELF);
            break;
        case AccessibleEvent::kShown:
            raise(EVENT_OBJECT_SHOW, CHILDID_SELF);
            if (DescribeWindow(hwnd, window).role == AccessibleRole::kDialog) {
                NotifyWinEvent(EVENT_SYSTEM_DIALOGSTART, hwnd, OBJID_WINDOW, CHILDID_SELF);
            }
            break;
        case AccessibleEvent::kHidden:
            raise(EVENT_OBJECT_HIDE, CHILDID_SELF);
            if (DescribeWindow(hwnd, window).role == AccessibleRole::kDialog) {
                NotifyWinEvent(EVENT_SYSTEM_DIALOGEND, hwnd, OBJID_WINDOW, CHILDID_SELF);
            }
            break;
        case AccessibleEvent::kPartsChanged:
            raise(EVENT_OBJECT_REORDER, CHILDID_SELF);
            break;
    }
}

LRESULT AnswerGetObject(HWND hwnd, NativeWindow window, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT) || !hwnd) {
        return DefWindowProcW(hwnd, WM_GETOBJECT, wParam, lParam);
    }
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(&standard)))) {
        return DefWindowProcW(hwnd, WM_GETOBJECT, wParam, lParam);
    }
    auto* accessible = new WindowAccessible(hwnd, window, standard);
    const LRESULT result = LresultFromObject(IID_IAccessible, wParam, accessible);
    accessible->Release();
    return result;
}

}  // namespace backend
}  // namespace platform
