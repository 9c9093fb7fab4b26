// The progress of a synchronization, in a window of its own beside the main
// one: the item being copied, files and bytes done of their totals, and
// Cancel, which stops after the current file.
#pragma once

#include "engine/side/RunControl.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

class SyncProgress : public Window {
public:
    explicit SyncProgress(RunControl& copying) : copying_(copying) {}

    // Shows it over `owner`, Cancel ready.
    void open(HWND owner);
    // Shows what the copy says now.
    void update();

private:
    enum { kCancel = 10 };
    void build() override;
    bool command(int id, int code) override;
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;
    int defaultButton() const override { return kCancel; }
    void cancel();

    RunControl& copying_;
    HWND item_ = nullptr;
    HWND files_ = nullptr;
    HWND bar_ = nullptr;
    HWND cancel_ = nullptr;
};

}  // namespace dm::win32
