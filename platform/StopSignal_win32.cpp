#include "platform/StopSignal.h"

namespace dm::platform {

// No child processes are run on this build: the flag is all a wait needs.
StopSignal::StopSignal() = default;
StopSignal::~StopSignal() = default;

void StopSignal::trigger()
{
    triggered_ = true;
}

void StopSignal::clear()
{
    triggered_ = false;
}

}  // namespace dm::platform
