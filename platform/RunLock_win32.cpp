#include "platform/RunLock.h"
#include "platform/Win32.h"

namespace dm::platform {

struct RunLock::Impl {
    HANDLE file = INVALID_HANDLE_VALUE;
};

RunLock::RunLock() : impl_(std::make_unique<Impl>()) {}

RunLock::~RunLock()
{
    if (impl_->file != INVALID_HANDLE_VALUE) CloseHandle(impl_->file);
}

bool RunLock::tryTake(const std::string& path)
{
    // Opened without sharing: a second opener is refused while this one holds it.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    impl_->file = file;
    return true;
}

}  // namespace dm::platform
