// Text controls on Win32: the system's rich edit ("RICHEDIT50W") or edit field ("Edit") as a
// child window, adopted by the backend so that its messages pass through the platform procedure
// the toolkit subclasses.
#include "platform/TextControl.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/Events.h"
#include "platform/Unicode.h"
#include "platform/win32/font_impl.h"
#include "platform/win32/native_text.h"
#include "platform/win32/window_record.h"
#include "platform/win32/windows_api.h"

// After windows.h: the rich edit header needs its types.
#include <richedit.h>

namespace platform {
namespace {

using backend::ControlText;
using backend::ProgramText;
using backend::SetRichText;
using backend::WindowText;

// The record of a text control made here; null for any other window.
NativeWindowRecord* Find(NativeWindow window) {
    NativeWindowRecord* record = window.operator->();
    return record && record->textControl != TextControlKind::None ? record : nullptr;
}

DWORD StyleFor(int flags) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
    if (flags & kTextReadOnly) {
        style |= ES_READONLY;
    }
    if (flags & kTextCentered) {
        style |= ES_CENTER;
    }
    if (flags & kTextPassword) {
        style |= ES_PASSWORD;
    }
    if (flags & kTextMultiLine) {
        style |= ES_MULTILINE;
    }
    return style;
}

HMODULE RichEditLibrary() {
    // By its full path in the system folder, wherever the search order would look first.
    static const HMODULE library = [] {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        return length > 0 && length < MAX_PATH
                   ? LoadLibraryW((std::wstring(system, length) + L"\\MSFTEDIT.DLL").c_str())
                   : nullptr;
    }();  // kept for the process
    return library;
}

HWND CreateNativeControl(HWND parent, Point position, Size size, const std::string& textUtf8,
                         int flags) {
    const bool rich = flags & kTextRich;
    const bool multiLine = flags & kTextMultiLine;
    if (rich && !RichEditLibrary()) {
        return nullptr;
    }
    const std::wstring plainText = rich ? std::wstring() : ControlText(textUtf8, multiLine);
    const HWND control = CreateWindowExW(
        0, rich ? L"RICHEDIT50W" : L"Edit", plainText.c_str(), StyleFor(flags), position.x,
        position.y, size.width, size.height, parent, nullptr, backend::ModuleInstance(), nullptr);
    if (control && rich) {
        // A target device with line width 0: lines wrap at the window's width.
        const HDC dc = GetDC(control);
        SendMessageW(control, EM_SETTARGETDEVICE, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(control, dc);
        SetRichText(control, textUtf8, multiLine);
    }
    return control;
}

// What a plain field's content needs: its formatting rectangle's top and one line height for
// every line. The rich edit measures itself.
void RequestPlainFieldResize(NativeWindow window, HWND control) {
    const NativeWindow parent = backend::RecordOf(GetParent(control));
    if (!parent) {
        return;
    }
    const HDC dc = GetDC(control);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    if (previous) {
        SelectObject(dc, previous);
    }
    ReleaseDC(control, dc);
    RECT format{};
    SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    RECT client{};
    GetClientRect(control, &client);
    const auto lines = static_cast<int>(SendMessageW(control, EM_GETLINECOUNT, 0, 0));

    RequestResizeNotify notify;
    notify.header.from = window.Bits();
    notify.header.code = kEnRequestResize;
    notify.requested = backend::Grid(window).CoveringLogical(
        {0, 0, static_cast<int>(client.right),
         static_cast<int>(format.top) + lines * static_cast<int>(metrics.tmHeight)});
    SendMessage(parent, kWmNotify, 0, reinterpret_cast<LParam>(&notify));
}

// The UTF-8 length of the program's text before a character position as the control counts
// them: a rich edit counts a paragraph end as one character, a plain field as its CR LF.
int Utf8Offset(HWND control, bool rich, LONG position) {
    if (position <= 0) {
        return 0;
    }
    if (!rich) {
        return static_cast<int>(
            ProgramText(WindowText(control).substr(0, static_cast<size_t>(position))).size());
    }
    std::wstring text(static_cast<size_t>(position) + 1, L'\0');
    TEXTRANGEW range{{0, position}, text.data()};
    const LRESULT copied =
        SendMessageW(control, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(
        std::min(static_cast<size_t>(position), static_cast<size_t>(std::max<LRESULT>(copied, 0))));
    return static_cast<int>(ProgramText(text).size());
}

void ApplyFieldFont(NativeWindowRecord* state) {
    const TextControlLook& look = state->textLook;
    if (look.fontFamily.empty()) {
        return;
    }
    const HFONT made = CreateFontW(
        -static_cast<int>(std::lround(look.fontPixels * state->scale)), 0, 0, 0,
        (look.fontStyle & kFontBold) ? FW_BOLD : FW_NORMAL, (look.fontStyle & kFontItalic) != 0,
        (look.fontStyle & kFontUnderline) != 0, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, look.fontFamily.c_str());
    if (!made) {
        return;
    }
    SendMessageW(state->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    if (state->ownedFont) {
        DeleteObject(state->ownedFont);
    }
    state->ownedFont = made;
}

void ApplyMargins(NativeWindow window) {
    const TextControlLook& look = window->textLook;
    if (!look.hasMargins) {
        return;
    }
    const PixelGrid grid = backend::Grid(window);
    SendMessageW(backend::HandleOf(window), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELPARAM(grid.Thickness(look.leftMargin), grid.Thickness(look.rightMargin)));
}

}  // namespace

NativeWindow CreateTextControl(NativeWindow parent, Point position, Size size,
                               const std::string& textUtf8, int flags) {
    const HWND parentHandle = backend::HandleOf(parent);
    if (!parentHandle) {
        return nullptr;
    }
    const Rect pixels =
        backend::Grid(parent).ToPixels(Rect{position.x, position.y, size.width, size.height});
    const HWND control = CreateNativeControl(parentHandle, {pixels.x, pixels.y},
                                             {pixels.width, pixels.height}, textUtf8, flags);
    if (!control) {
        return nullptr;
    }
    const NativeWindow window = backend::AdoptControl(control);
    if (!window) {
        ::DestroyWindow(control);
        return nullptr;
    }
    window->scale = parent->scale;
    window->logicalPosition = position;
    window->logicalSize = size;
    window->textControl = (flags & kTextRich) ? TextControlKind::Rich : TextControlKind::Plain;
    return window;
}

WindowProc SubclassWindow(NativeWindow window, WindowProc proc) {
    NativeWindowRecord* record = window.operator->();
    if (!record) {
        return nullptr;
    }
    const WindowProc previous = record->proc;
    record->proc = proc;
    return previous;
}

void SetTextControlFont(NativeWindow window, const Font& font) {
    NativeWindowRecord* state = Find(window);
    if (!state || state->textControl == TextControlKind::Rich || !font.IsValid()) {
        return;
    }
    const Font::Impl& impl = font.impl();
    state->textLook.fontFamily = impl.family;
    state->textLook.fontPixels = impl.sizePixels;
    state->textLook.fontStyle = impl.styleBits;
    ApplyFieldFont(state);
}

void SetTextControlMargins(NativeWindow window, int left, int right) {
    if (NativeWindowRecord* state = Find(window)) {
        state->textLook.hasMargins = true;
        state->textLook.leftMargin = std::max(0, left);
        state->textLook.rightMargin = std::max(0, right);
        ApplyMargins(window);
    }
}

namespace backend {

void ScaleTextControl(NativeWindow w) {
    NativeWindowRecord* state = Find(w);
    if (!state) {
        return;
    }
    ApplyMargins(w);
    if (state->textControl == TextControlKind::Plain) {
        ApplyFieldFont(state);
        return;
    }
    // The rich edit lays its document out at the system's resolution: a window on a monitor of
    // another is zoomed by the ratio of the two.
    const auto dpi = [](double scale) { return static_cast<WPARAM>(std::lround(scale * 96)); };
    const bool systems = dpi(state->scale) == dpi(SystemScale());
    SendMessageW(state->hwnd, EM_SETZOOM, systems ? 0 : dpi(state->scale),
                 systems ? 0 : static_cast<LPARAM>(dpi(SystemScale())));
    SendMessageW(state->hwnd, EM_REQUESTRESIZE, 0, 0);
}

}  // namespace backend

void RequestTextControlResize(NativeWindow window) {
    const NativeWindowRecord* state = Find(window);
    if (!state) {
        return;
    }
    const HWND control = backend::HandleOf(window);
    if (state->textControl != TextControlKind::Rich) {
        RequestPlainFieldResize(window, control);
        return;
    }
    const LRESULT mask = SendMessageW(control, EM_GETEVENTMASK, 0, 0);
    SendMessageW(control, EM_SETEVENTMASK, 0, mask | ENM_REQUESTRESIZE);
    SendMessageW(control, EM_REQUESTRESIZE, 0, 0);
}

std::string GetTextControlText(NativeWindow window) {
    if (!Find(window)) {
        return "";
    }
    return ProgramText(WindowText(backend::HandleOf(window)));
}

TextSelectionRange GetTextControlSelectionRange(NativeWindow window) {
    const NativeWindowRecord* state = Find(window);
    if (!state) {
        return {};
    }
    const HWND control = backend::HandleOf(window);
    const bool rich = state->textControl == TextControlKind::Rich;
    CHARRANGE range{};
    if (rich) {
        SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    } else {
        DWORD from = 0;
        DWORD to = 0;
        SendMessageW(control, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                     reinterpret_cast<LPARAM>(&to));
        range = {static_cast<LONG>(from), static_cast<LONG>(to)};
    }
    const int start = Utf8Offset(control, rich, range.cpMin);
    const int end = range.cpMax > range.cpMin ? Utf8Offset(control, rich, range.cpMax) : start;
    // Neither control tells which end the caret is at; a selection is mostly made forwards.
    return {start, end, end};
}

}  // namespace platform
