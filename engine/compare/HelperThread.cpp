#include "engine/compare/HelperThread.h"

namespace dm {

HelperThread::~HelperThread()
{
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void HelperThread::serve()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || work_ != nullptr; });
        if (quit_) return;
        lock.unlock();
        std::exception_ptr failure;
        try {
            (*work_)();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        work_ = nullptr;
        wake_.notify_all();
    }
}

void HelperThread::runOnBoth(const std::function<void()>& work)
{
    if (!thread_.joinable()) thread_ = std::thread([this] { serve(); });
    {
        const std::lock_guard lock(mutex_);
        work_ = &work;
        failure_ = nullptr;
    }
    wake_.notify_all();
    std::exception_ptr here;
    try {
        work();
    } catch (...) {
        here = std::current_exception();
    }
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return work_ == nullptr; });
    if (here) std::rethrow_exception(here);
    if (failure_) std::rethrow_exception(failure_);
}

}  // namespace dm
