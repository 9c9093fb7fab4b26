// A second thread kept for a run, lent to work that splits into independent
// pieces (the files of the content rule): the work runs on the calling thread
// and on the helper at once.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace dm {

class HelperThread {
public:
    HelperThread() = default;
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Runs `work` here and on the helper, and returns once both have
    // returned; an exception of either reaches the caller. `work` takes its
    // pieces from a shared counter, so that each piece is done once.
    void runOnBoth(const std::function<void()>& work);

private:
    void serve();

    std::mutex mutex_;
    std::condition_variable wake_;
    const std::function<void()>* work_ = nullptr;  // handed to the helper; null once it is done
    std::exception_ptr failure_;
    bool quit_ = false;
    std::thread thread_;  // started at the first work
};

}  // namespace dm
