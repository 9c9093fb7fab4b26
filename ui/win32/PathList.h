// A report list whose cells keep their whole texts: where a column is too
// narrow a text is cut in its middle, so that a path keeps its file's name,
// and the row's tip shows every cell whole.
#pragma once

#include <string>
#include <vector>

#include "ui/win32/Win32Ui.h"

namespace dm::win32 {

class PathList {
public:
    // The list (LVS_REPORT) whose texts this keeps; its rows are made here.
    void attach(HWND list);
    void setText(int row, int column, std::wstring text);
    // Answers the list's requests for texts and tips: true where the
    // notification was one of them.
    bool notify(const NMHDR* header);

private:
    std::wstring cut(const std::wstring& text, int column) const;

    HWND list_ = nullptr;
    std::vector<std::vector<std::wstring>> cells_;
};

}  // namespace dm::win32
