#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "platform/StopSignal.h"

namespace dm::platform {

StopSignal::StopSignal() : handle_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal()
{
    if (handle_ >= 0) close(handle_);
}

void StopSignal::trigger()
{
    if (triggered_.exchange(true) || handle_ < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(handle_, &one, sizeof one);
}

void StopSignal::clear()
{
    if (!triggered_.exchange(false) || handle_ < 0) return;
    uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = read(handle_, &value, sizeof value);
}

}  // namespace dm::platform
