// The worker as its supervisor holds it: starts it, lays rounds of calls in
// the memory they share, watches each lane, and stops a worker that hangs or
// lets it go when it dies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/lumicall/worker/wire.h"

namespace lumi::call {

class Worker {
public:
    explicit Worker(const std::string& path);
    ~Worker();

    // Starts a worker and waits until it has loaded the DLL; the reason when
    // it does not.
    std::string Start();

    void Stop();

    // Tells the worker to quit and waits until it has; one that does not
    // within the bound is stopped. Either way it is gone when this returns.
    void Quit();

    bool Running() const { return process_ && WaitForSingleObject(process_.value, 0) == WAIT_TIMEOUT; }
    wire::Shared& Memory() { return *shared_; }
    int Started() const { return started_; }

    enum class RoundEnd { Finished, Hung, Died, Stalled };
    struct RoundResult {
        RoundEnd end = RoundEnd::Finished;
        std::vector<bool> culprit;  // by lane: the lane whose call hung or died
        std::string words;
    };

    // Runs the round laid in the lanes; watches each lane's progress.
    RoundResult RunRound(int lanes);

    std::uint32_t bound_ = wire::kDefaultCallBound;

private:
    // The process handle let go of, the process being gone.
    void Forget();

    std::string path_;
    std::wstring name_;
    wire::Handle mapping_, go_, done_, process_;
    wire::Shared* shared_ = nullptr;
    int started_ = 0;
    int hangs_ = 0;
};

}  // namespace lumi::call
