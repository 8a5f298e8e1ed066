// Threads for the tests: a worker that lives across loads of the library and
// runs what it is handed, and a thread that runs one job and ends.
#pragma once

#include <windows.h>

#include <functional>

namespace lumi::test {

class Worker {
public:
    Worker()
        : ready_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          done_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          thread_(CreateThread(nullptr, 0, &Worker::Main, this, 0, nullptr)) {}
    ~Worker() {
        Stop();
        CloseHandle(ready_);
        CloseHandle(done_);
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    bool Started() const { return thread_ != nullptr; }

    // Runs `job` on the worker and waits for it.
    void Run(std::function<void()> job) {
        job_ = std::move(job);
        SetEvent(ready_);
        WaitForSingleObject(done_, INFINITE);
    }

    // Ends the thread (its exit reaches every loaded DLL).
    void Stop() {
        if (thread_ == nullptr) return;
        Run(nullptr);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }

private:
    static DWORD WINAPI Main(void* self) {
        auto* worker = static_cast<Worker*>(self);
        for (;;) {
            WaitForSingleObject(worker->ready_, INFINITE);
            const bool stop = !worker->job_;
            if (!stop) worker->job_();
            SetEvent(worker->done_);
            if (stop) return 0;
        }
    }

    HANDLE ready_, done_;
    HANDLE thread_;
    std::function<void()> job_;
};

// Runs `job` on a new thread (a plain CreateThread, no runtime wrapper) and
// waits for the thread to end. False if it could not be started.
inline DWORD WINAPI RunJob(void* job) {
    (*static_cast<const std::function<void()>*>(job))();
    return 0;
}

inline bool RunOnNewThread(const std::function<void()>& job) {
    HANDLE thread = CreateThread(nullptr, 0, &RunJob, const_cast<std::function<void()>*>(&job), 0, nullptr);
    if (thread == nullptr) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}

}  // namespace lumi::test
