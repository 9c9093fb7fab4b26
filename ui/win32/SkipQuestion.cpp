#include "common/Messages.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

class SkipQuestion : public Modal {
public:
    SkipQuestion(std::string folder, std::string reason) : folder_(std::move(folder)), reason_(std::move(reason)) {}

private:
    enum { kSkip = 10, kSkipAll, kStop };
    void build() override
    {
        // The reason first, then the folder: a text that wraps inside its
        // names and scrolls, so neither is ever cut off.
        HWND text = control(L"EDIT",
                            shown(textIn("无法读取文件夹: ", "A folder cannot be read: ") + reason_ + "\r\n" + folder_),
                            ES_MULTILINE | ES_READONLY | WS_VSCROLL, 12, 12, 396, 64, 0);
        SendMessageW(text, EM_SETSEL, WPARAM(-1), 0);
        control(L"STATIC",
                shown(textIn("跳过的文件夹标为错误项, 同步时不会写入其中。",
                             "A skipped folder is marked as an error and nothing is copied into or from it.")),
                SS_LEFT, 12, 82, 396, 34, 0);
        control(L"BUTTON", shown(textIn("跳过", "Skip")), WS_TABSTOP | BS_DEFPUSHBUTTON, 168, 124, 75, 25, kSkip);
        control(L"BUTTON", shown(textIn("全部跳过", "Skip all")), WS_TABSTOP, 250, 124, 75, 25, kSkipAll);
        control(L"BUTTON", shown(textIn("停止", "Stop")), WS_TABSTOP, 332, 124, 75, 25, kStop);
    }
    int defaultButton() const override { return kSkip; }
    bool command(int id, int) override
    {
        if (id == kSkip || id == kSkipAll || id == kStop || id == IDCANCEL) {
            end(id == IDCANCEL ? kStop : id);
            return true;
        }
        return false;
    }

    std::string folder_;
    std::string reason_;

public:
    static SkipAnswer answerOf(int code)
    {
        return code == kSkip ? SkipAnswer::Skip : code == kSkipAll ? SkipAnswer::SkipAll : SkipAnswer::Stop;
    }
};

}  // namespace

SkipAnswer askSkipFolder(HWND owner, const std::string& folder, const std::string& reason)
{
    SkipQuestion question(folder, reason);
    return SkipQuestion::answerOf(question.run(owner, shown(messageText(msg::ProductName)), 420, 158));
}

}  // namespace dm::win32
