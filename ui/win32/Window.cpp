#include "ui/win32/Window.h"

#include "ui/win32/Win32Ui.h"

namespace dm::win32 {

namespace {

constexpr wchar_t kClass[] = L"dirmatchWindow";

void registerClass()
{
    static const bool registered = [] {
        WNDCLASSEXW c = {};
        c.cbSize = sizeof c;
        c.lpfnWndProc = DefWindowProcW;
        c.hInstance = GetModuleHandleW(nullptr);
        c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.hIcon = LoadIconW(c.hInstance, MAKEINTRESOURCEW(1));
        c.lpszClassName = kClass;
        return RegisterClassExW(&c) != 0;
    }();
    (void)registered;
}

}  // namespace

int dpiOf(HWND window)
{
    // Windows 10 tells each monitor's DPI; older systems one for all.
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (forWindow && window) {
        if (const UINT dpi = forWindow(window); dpi != 0) return int(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HFONT formFont(int pixels, bool bold, int dpi)
{
    // The system's message font, whose linked fonts show any script the
    // system can show; the form's size and weight.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font = {};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) font = metrics.lfMessageFont;
    font.lfHeight = -MulDiv(pixels, dpi, 96);
    font.lfWidth = 0;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfQuality = CLEARTYPE_QUALITY;
    if (!font.lfFaceName[0]) wcscpy(font.lfFaceName, L"MS Shell Dlg 2");
    return CreateFontIndirectW(&font);
}

Window::~Window()
{
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
}

bool Window::make(HWND owner, const std::wstring& title, DWORD style, int width, int height)
{
    registerClass();
    hwnd_ = CreateWindowExW(owner ? WS_EX_DLGMODALFRAME : 0, kClass, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            width, height, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return false;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::procedure));
    dpi_ = dpiOf(hwnd_);
    font_ = formFont(12, false, dpi_);
    // The client area as the form gives it, with this system's frame around it.
    RECT frame = {0, 0, px(width), px(height)};
    AdjustWindowRectEx(&frame, style, GetMenu(hwnd_) != nullptr, DWORD(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    RECT at = {};
    if (owner) {
        GetWindowRect(owner, &at);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &at, 0);
    }
    // Never larger than the screen's work area (at a high DPI the form's
    // size in logical pixels can pass it): the status bar stays in sight.
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = int(std::min(frame.right - frame.left, work.right - work.left));
    const int h = int(std::min(frame.bottom - frame.top, work.bottom - work.top));
    SetWindowPos(hwnd_, nullptr, std::max(0L, at.left + (at.right - at.left - w) / 2),
                 std::max(0L, at.top + (at.bottom - at.top - h) / 2), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    build();
    layout();
    return true;
}

HWND Window::control(const wchar_t* kind, const std::wstring& text, DWORD style, int x, int y, int width, int height,
                     int id, DWORD extended)
{
    HWND c = CreateWindowExW(extended, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(width),
                             px(height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    return c;
}

LRESULT Window::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_COMMAND:
            if (command(LOWORD(wParam), HIWORD(wParam))) return 0;
            break;
        case DM_GETDEFID: {
            // A push button that has the keyboard takes Enter, as in a dialog.
            HWND focus = GetFocus();
            if (focus && GetParent(focus) == hwnd_ && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) &&
                (GetWindowLongW(focus, GWL_STYLE) & 0x0F) <= BS_DEFPUSHBUTTON)
                return MAKELONG(GetDlgCtrlID(focus), DC_HASDEFID);
            return defaultButton() ? MAKELONG(defaultButton(), DC_HASDEFID) : 0;
        }
        case WM_SIZE: layout(); return 0;
        case WM_DPICHANGED: {
            // Sharp on every monitor: the sizes and the font follow its DPI.
            dpi_ = HIWORD(wParam);
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            if (font_) DeleteObject(font_);
            font_ = formFont(12, false, dpi_);
            for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        default: break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

Window* Window::of(HWND hwnd)
{
    auto* self = hwnd ? reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
    return self && self->hwnd_ == hwnd ? self : nullptr;
}

LRESULT CALLBACK Window::procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->message(msg, wParam, lParam);
}

int Modal::run(HWND owner, const std::wstring& title, int width, int height)
{
    if (!make(owner, title, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, width, height)) return IDCANCEL;
    // The control that had the keyboard gets it back when this closes.
    HWND before = GetFocus();
    ShowWindow(hwnd_, SW_SHOW);
    if (owner) EnableWindow(owner, FALSE);
    // The first control that takes Tab has the keyboard.
    if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
    MSG msg;
    while (!ended_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (shortcut(msg) || IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ShowWindow(hwnd_, SW_HIDE);
    if (owner) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
        if (before && IsWindow(before)) SetFocus(before);
    }
    return code_;
}

void Modal::end(int code)
{
    code_ = code;
    ended_ = true;
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // the loop looks again
}

LRESULT Modal::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL && !command(IDCANCEL, HIWORD(wParam)))) {
        end(IDCANCEL);
        return 0;
    }
    return Window::message(msg, wParam, lParam);
}

int messageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HWND top = GetAncestor(msg.hwnd, GA_ROOT);
        if (Window* window = Window::of(top); window && window->shortcut(msg)) continue;
        if (top && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}

}  // namespace dm::win32
