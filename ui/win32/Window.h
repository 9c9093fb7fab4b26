#include "ui/win32/Win32Ui.h"
// What every window of the Win32 program shares: sizes in the logical pixels
// the forms are laid out in, scaled to the monitor's DPI; the form font; the
// controls made at their places; and a modal window run by keyboard as a
// dialog is (Tab, Enter for the default button, Escape to cancel).
#pragma once

#include <string>

namespace dm::win32 {

// The DPI of the monitor a window is on (96 where the system cannot say).
int dpiOf(HWND window);
// The form font at this DPI: `pixels` high at 96 DPI.
HFONT formFont(int pixels, bool bold, int dpi);

class Window {
public:
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const { return hwnd_; }
    // The window a handle belongs to, where it is one of ours.
    static Window* of(HWND hwnd);
    // A key pressed in this window, before the keys of a dialog are read:
    // true where it was taken.
    virtual bool shortcut(const MSG& msg)
    {
        (void)msg;
        return false;
    }
    // Logical pixels at this window's DPI.
    int px(int logical) const { return MulDiv(logical, dpi_, 96); }
    // A control at a place given in logical pixels, in the form font.
    HWND control(const wchar_t* kind, const std::wstring& text, DWORD style, int x, int y, int width, int height,
                 int id, DWORD extended = 0);

protected:
    Window() = default;
    // Makes the window (WS_ styles; `width` and `height`: its client area,
    // in logical pixels), then its controls through `build`.
    bool make(HWND owner, const std::wstring& title, DWORD style, int width, int height);
    virtual void build() = 0;
    virtual LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam);
    // A command of a control or menu; true where it was handled.
    virtual bool command(int id, int code)
    {
        (void)id;
        (void)code;
        return false;
    }
    // The control Enter presses.
    virtual int defaultButton() const { return IDOK; }
    // The controls placed again at a new size or DPI.
    virtual void layout() {}

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    HFONT font_ = nullptr;

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// A modal window: its owner is disabled while it runs.
class Modal : public Window {
public:
    // Shows it until it ends; the code it ended with (IDOK, IDCANCEL…).
    int run(HWND owner, const std::wstring& title, int width, int height);

protected:
    void end(int code);
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool ended_ = false;
    int code_ = IDCANCEL;
};

// The message loop of the program, each window's keys going to it as to a dialog.
int messageLoop();

}  // namespace dm::win32
