// The floor of the installer's start-up on Windows: a bare user32 + gdi32 program that shows a
// 500 x 360 window with 15 lines of text, painted into a memory bitmap and shown with one copy
// as the installer's windows are. It runs until it is closed or killed. Started with /hidden it
// makes its window without showing it: Wine keeps its desktop process up while such a window
// lives, as it does while any program runs on a user's desktop.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cwchar>

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 360;
constexpr int kLines = 15;
constexpr int kLinePitch = 20;

void Paint(HWND window, HDC target, HFONT font) {
    RECT client;
    GetClientRect(window, &client);
    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
    const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    const HGDIOBJ oldFont = SelectObject(memory, font);
    HBRUSH background = CreateSolidBrush(RGB(45, 45, 45));
    FillRect(memory, &client, background);
    DeleteObject(background);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(200, 200, 200));
    for (int line = 0; line < kLines; ++line) {
        static const wchar_t kText[] = L"Kestrel 3D: one line of text in the floor's window";
        TextOutW(memory, 20, 10 + line * kLinePitch, kText, ARRAYSIZE(kText) - 1);
    }
    BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldFont);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static HFONT font = nullptr;
    switch (message) {
        case WM_CREATE:
            font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC target = BeginPaint(window, &paint);
            Paint(window, target, font);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            DeleteObject(font);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int main() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"KestrelStartupFloor";
    RegisterClassExW(&windowClass);
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT outer{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Kestrel 3D", style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    if (!std::wcsstr(GetCommandLineW(), L"/hidden")) {
        ShowWindow(window, SW_SHOWDEFAULT);
        UpdateWindow(window);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
