#include "tools/lumicall/worker/supervisor.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <utility>

#include "tools/lumicall/worker/system.h"

namespace lumi::call {

using namespace wire;

namespace {

std::string Formatted(const char* format, unsigned value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The workers alive now, so that Ctrl-C (or the console closing) ends them
// before lumicall itself ends; once it has, no worker starts again.
class LiveWorkers {
public:
    static LiveWorkers& Get() {
        static LiveWorkers live;
        return live;
    }
    // Starts a worker with `start` unless lumicall is ending; false then.
    template <typename Start>
    bool Add(Start&& start) {
        const std::lock_guard lock(mutex_);
        if (ending_) return false;
        if (const HANDLE process = start(); process != nullptr) processes_.push_back(process);
        return true;
    }
    void Remove(HANDLE process) {
        const std::lock_guard lock(mutex_);
        std::erase(processes_, process);
    }
    // Stops every worker and waits until each is gone.
    void EndAll() {
        const std::lock_guard lock(mutex_);
        ending_ = true;
        for (const HANDLE process : processes_) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, kStopBound);
        }
    }

private:
    std::mutex mutex_;
    std::vector<HANDLE> processes_;
    bool ending_ = false;
};

BOOL WINAPI OnConsoleEnding(DWORD) {
    LiveWorkers::Get().EndAll();
    return FALSE;  // then the usual end of the process
}

std::wstring OwnProgram() {
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    return std::wstring(own, length);
}

std::string SecondsWords(std::uint32_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, milliseconds % 1000 == 0 ? "%.0f s" : "%.2f s", milliseconds / 1000.0);
    return text;
}

// What the worker's end says: its last fault, or its exit status.
std::string DeathWords(const Shared& shared, HANDLE process) {
    if (shared.crashed) return shared.crash.Words();
    DWORD status = 0;
    GetExitCodeProcess(process, &status);
    return Formatted("it ended with status 0x%08X, leaving no word of the fault (the stack was gone?)", static_cast<unsigned>(status));
}

}  // namespace

Worker::Worker(const std::string& path) : path_(path) {
    static LONG serial = 0;
    name_ = L"Local\\lumicall." + std::to_wstring(GetCurrentProcessId()) + L"." +
            std::to_wstring(InterlockedIncrement(&serial));
    mapping_ = Handle(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared),
                                         ObjectName(name_, L"shared").c_str()));
    go_ = Handle(CreateEventW(nullptr, FALSE, FALSE, ObjectName(name_, L"go").c_str()));
    done_ = Handle(CreateEventW(nullptr, FALSE, FALSE, ObjectName(name_, L"done").c_str()));
    if (!mapping_ || !go_ || !done_) throw LoadError("cannot start a worker process: " + WindowsErrorText(GetLastError()));
    shared_ = static_cast<Shared*>(MapViewOfFile(mapping_.value, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
    if (shared_ == nullptr) throw LoadError("cannot start a worker process: " + WindowsErrorText(GetLastError()));
    const std::wstring wide = Widened(path);
    wide.copy(shared_->dllPath, std::size(shared_->dllPath) - 1);
    shared_->magic = kMagic;
}

Worker::~Worker() {
    Stop();
    if (shared_ != nullptr) UnmapViewOfFile(shared_);
}

std::string Worker::Start() {
    Stop();
    shared_->state = static_cast<LONG>(WorkerState::Starting);
    shared_->crashed = 0;
    shared_->restartWanted = 0;
    shared_->command = static_cast<LONG>(Command::None);
    ResetEvent(done_.value);
    std::wstring line = L"\"" + OwnProgram() + L"\" " + Widened(kWorkerArgument) + L" " + name_ + L" " +
                        std::to_wstring(GetCurrentProcessId());
    // Under Wine, no debugger and no fault report of its own for a worker
    // an export kills: lumicall names the export itself.
    SetEnvironmentVariableW(L"WINEDEBUG", L"-all");
    static std::once_flag handlerSet;
    std::call_once(handlerSet, [] { SetConsoleCtrlHandler(OnConsoleEnding, TRUE); });
    // The worker's standard handles are NUL: nothing it or its DLL writes
    // mixes into lumicall's output. It opens the mapping and the events
    // by name; its last words come back through the mapping.
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const Handle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                 OPEN_EXISTING, 0, nullptr));
    if (!nul) return "cannot start a worker process: cannot open NUL: " + WindowsErrorText(GetLastError());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.value;
    PROCESS_INFORMATION process{};
    DWORD error = 0;
    const bool live = LiveWorkers::Get().Add([&]() -> HANDLE {
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &process))
            return process.hProcess;
        error = GetLastError();
        return nullptr;
    });
    if (!live) return "not started: lumicall is ending";
    if (error != 0) return "cannot start a worker process: " + WindowsErrorText(error);
    CloseHandle(process.hThread);
    process_ = Handle(process.hProcess);
    ++started_;
    const HANDLE waits[] = {done_.value, process_.value};
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kLoadBound);
    if (woke == WAIT_OBJECT_0 && shared_->state == static_cast<LONG>(WorkerState::Ready)) return "";
    std::string why;
    if (woke == WAIT_OBJECT_0) why = shared_->loadError;
    else if (woke == WAIT_OBJECT_0 + 1) why = "loading it killed the worker process: " + DeathWords(*shared_, process_.value);
    else why = "it did not finish loading within " + SecondsWords(kLoadBound);
    Stop();
    return why;
}

void Worker::Stop() {
    if (!process_) return;
    if (WaitForSingleObject(process_.value, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.value, 1);
        WaitForSingleObject(process_.value, kStopBound);
    }
    Forget();
}

void Worker::Quit() {
    if (!Running()) return Forget();
    shared_->command = static_cast<LONG>(Command::Quit);
    SetEvent(go_.value);
    WaitForSingleObject(process_.value, kQuitBound);
    Stop();
}

Worker::RoundResult Worker::RunRound(int lanes) {
    RoundResult result;
    result.culprit.assign(lanes, false);
    shared_->lanes = lanes;
    shared_->command = static_cast<LONG>(Command::Run);
    SetEvent(go_.value);
    using Clock = std::chrono::steady_clock;
    std::vector<LONG> seen(lanes, -1);
    std::vector<Clock::time_point> since(lanes, Clock::now());
    const HANDLE waits[] = {done_.value, process_.value};
    Clock::time_point lastBusy = Clock::now();
    for (;;) {
        const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kPoll);
        if (woke == WAIT_OBJECT_0) return result;
        if (woke == WAIT_OBJECT_0 + 1 || woke == WAIT_FAILED) {
            result.end = RoundEnd::Died;
            result.words = "killed the worker process: " + DeathWords(*shared_, process_.value);
            for (int l = 0; l < lanes; ++l)
                result.culprit[l] = shared_->crashed ? shared_->crashLane == l : shared_->lane[l].inCall != 0;
            Forget();
            return result;
        }
        const Clock::time_point now = Clock::now();
        const std::uint32_t bound = hangs_ < kHangsAtFullBound ? bound_ : std::min(bound_, kShortCallBound);
        bool hung = false, allFinished = true;
        for (int l = 0; l < lanes; ++l) {
            const Lane& lane = shared_->lane[l];
            if (lane.done != seen[l]) {
                seen[l] = lane.done;
                since[l] = now;
            }
            allFinished &= lane.finished != 0;
            if (!lane.finished && lane.done < lane.count && now - since[l] > std::chrono::milliseconds(bound)) {
                result.culprit[l] = hung = true;
            }
        }
        // Every call made, yet the worker does not come back: its threads
        // do not end (the DLL's code as a thread detaches).
        if (!allFinished) lastBusy = now;
        if (!hung && now - lastBusy > std::chrono::milliseconds(bound)) {
            result.end = RoundEnd::Stalled;
            result.words = "the worker's threads did not end within " + SecondsWords(bound) +
                           " after their last calls: the DLL hangs as a thread ends";
            Stop();
            return result;
        }
        if (hung) {
            result.end = RoundEnd::Hung;
            result.words = "did not return within " + SecondsWords(bound) + ": the worker process was stopped";
            ++hangs_;
            Stop();
            return result;
        }
    }
}

void Worker::Forget() {
    if (process_) LiveWorkers::Get().Remove(process_.value);
    process_ = Handle();
}

}  // namespace lumi::call
