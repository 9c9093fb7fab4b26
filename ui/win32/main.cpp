// dirmatch-gui.exe: the desktop program on Windows.

#include <memory>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Win32Ui.h"

using namespace dm;

namespace {

// --lang first; else Chinese on a Chinese system, English on any other.
uint8_t languageOf(const std::vector<std::wstring>& arguments)
{
    for (size_t i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] != L"--lang") continue;
        if (arguments[i + 1] == L"en") return English;
        if (arguments[i + 1] == L"zh") return Chinese;
    }
    return PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_CHINESE ? Chinese : English;
}

// The folders given (A, then B), the options and their values left out.
std::vector<std::string> foldersOf(const std::vector<std::wstring>& arguments)
{
    std::vector<std::string> folders;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == L"--lang") {
            ++i;
            continue;
        }
        if (!arguments[i].starts_with(L"--")) folders.push_back(win32::narrow(arguments[i]));
    }
    return folders;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show)
{
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> arguments(words, words + count);
    LocalFree(words);
    setLanguage(languageOf(arguments));

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS |
                                                          ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);  // the folder browser

    auto dataModule = std::make_unique<TDM>();
    DM = dataModule.get();
    int code = 0;
    {
        win32::MainWindow main(*DM);
        if (!main.create()) return 1;
        SetWindowTextW(main.handle(), win32::shown(messageText(msg::ProductName)).c_str());
        main.show(show);
        UpdateWindow(main.handle());
        SetForegroundWindow(main.handle());
        main.focusStart();
        // Folders given: two are compared at once, one opens the wizard with it as A.
        const std::vector<std::string> folders = foldersOf(arguments);
        if (!folders.empty()) {
            DM->StandardDir = folders[0];
            if (folders.size() > 1) DM->LocalDir = folders[1];
        }
        if (!folders.empty()) PostMessageW(main.handle(), win32::MainWindow::kStartWithFolders, folders.size() > 1, 0);
        code = win32::messageLoop();
    }
    DM = nullptr;
    dataModule.reset();  // last: writes pre.ini
    OleUninitialize();
    return code;
}
