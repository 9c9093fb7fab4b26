#include "common/Messages.h"

#include <string>

#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"

namespace dm::win32 {

namespace {

std::wstring product()
{
    return shown(messageText(msg::ProductName));
}

}  // namespace

void messageBox(HWND owner, const std::wstring& text, const std::wstring& caption)
{
    MessageBoxW(owner, text.c_str(), (caption.empty() ? product() : caption).c_str(), MB_OK | MB_ICONINFORMATION);
}

bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption)
{
    return MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void showSummary(HWND owner, const SyncOutcome& outcome)
{
    // The items that were not copied follow the counts; a long list is cut,
    // as the log keeps every one.
    std::string text = summaryText(outcome);
    const std::vector<std::string> items = summaryItems(outcome);
    for (size_t i = 0; i < items.size() && i < 20; ++i) text += "\n  " + items[i];
    if (items.size() > 20) text += "\n  …";
    MessageBoxW(owner, shown(text).c_str(), shown(textIn("同步结果", "Synchronization result")).c_str(),
                MB_OK | (outcome.failed.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
}

}  // namespace dm::win32
