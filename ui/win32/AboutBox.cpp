// The about box: the banner (a click opens the web site), the product name,
// the program file's version, the support mail (a click writes to it) and
// what the program never does.
#include "common/Messages.h"
#include "common/Version.h"
#include "platform/ProgramPaths.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

constexpr int kBannerHeight = 40;

class AboutBox : public Modal {
public:
    ~AboutBox() override
    {
        for (HFONT f : {bold_, underlined_, bannerFont_})
            if (f) DeleteObject(f);
    }

private:
    enum { kMail = 10 };
    void build() override
    {
        bold_ = formFont(12, true, dpi_);
        bannerFont_ = formFont(18, true, dpi_);
        LOGFONTW line = {};
        GetObjectW(font_, sizeof line, &line);
        line.lfUnderline = TRUE;
        underlined_ = CreateFontIndirectW(&line);
        HWND name = control(L"STATIC", shown(messageText(msg::ProductName)), SS_CENTER, 0, 56, 369, 17, 0);
        SendMessageW(name, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), TRUE);
        control(L"STATIC", shown(messageText(msg::FileVersionLabel) + programVersionText(platform::programFile())),
                SS_CENTER, 66, 88, 241, 17, 0);
        // One line whatever the language: the address is never wrapped away.
        HWND mail = control(L"STATIC", tr("问题与建议请来信：support@dirmatch.example.org"),
                            SS_NOTIFY | SS_LEFTNOWORDWRAP, 8, 120, 362, 14, kMail);
        SendMessageW(mail, WM_SETFONT, reinterpret_cast<WPARAM>(underlined_), TRUE);
        control(L"STATIC", tr("本程序只复制，不删除：文件夹 B 中多余的文件会保留。"), 0, 16, 144, 345, 17, 0);
        control(L"BUTTON", tr("确定"), WS_TABSTOP | BS_DEFPUSHBUTTON, 143, 172, 75, 25, IDOK);
    }

    bool command(int id, int) override
    {
        if (id == kMail) open(kSupportMail);
        if (id == IDOK) end(IDOK);
        return id == kMail || id == IDOK;
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            paintBanner(dc);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        if (msg == WM_LBUTTONUP && GET_Y_LPARAM(lParam) < px(kBannerHeight)) {
            open(kWebSite);
            return 0;
        }
        if (msg == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
            POINT at;
            GetCursorPos(&at);
            ScreenToClient(hwnd_, &at);
            const bool link = at.y < px(kBannerHeight) || GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) == kMail;
            SetCursor(LoadCursorW(nullptr, link ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        return Modal::message(msg, wParam, lParam);
    }

    // A blue gradient across the top, two pages and the program's name, as
    // the desktop program of the other toolkit draws it.
    void paintBanner(HDC dc)
    {
        RECT client;
        GetClientRect(hwnd_, &client);
        const int width = client.right;
        const int height = px(kBannerHeight);
        for (int x = 0; x < width; x += 2) {
            const auto mix = [&](int from, int to) { return BYTE(from + (to - from) * x / std::max(1, width)); };
            HBRUSH strip = CreateSolidBrush(RGB(mix(0x1F, 0x5B), mix(0x4E, 0x9B), mix(0x8C, 0xD5)));
            const RECT part = {x, 0, x + 2, height};
            FillRect(dc, &part, strip);
            DeleteObject(strip);
        }
        HPEN pen = CreatePen(PS_SOLID, std::max(1, px(1)), RGB(230, 238, 248));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        for (int i = 0; i < 2; ++i) {
            HBRUSH page = CreateSolidBrush(i == 0 ? RGB(0x6F, 0x93, 0xC4) : RGB(0xB5, 0xCB, 0xE6));
            HGDIOBJ oldBrush = SelectObject(dc, page);
            RoundRect(dc, px(14 + i * 16), px(8 + i * 4), px(38 + i * 16), px(30 + i * 4), px(6), px(6));
            SelectObject(dc, oldBrush);
            DeleteObject(page);
        }
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        HGDIOBJ oldFont = SelectObject(dc, bannerFont_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT text = {px(70), 0, width, height};
        DrawTextW(dc, L"dirmatch", -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, oldFont);
    }

    void open(const char* target)
    {
        ShellExecuteW(hwnd_, L"open", wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }

    HFONT bold_ = nullptr;
    HFONT underlined_ = nullptr;
    HFONT bannerFont_ = nullptr;
};

}  // namespace

void showAboutBox(HWND owner)
{
    AboutBox box;
    box.run(owner, L"About", 372, 206);
}

}  // namespace dm::win32
