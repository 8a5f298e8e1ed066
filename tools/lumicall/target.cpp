// The supervised worker: lumicall.exe started again with kWorkerArgument,
// the names of a file mapping and two events of its supervisor's. The
// supervisor writes a round of requests into the mapping (one lane per
// thread), sets "go"; the worker makes each call through the raw-slot thunk
// under the vectored guard, writes its outcome and moves the lane's `done`
// on, and sets "done" at the end of the round. The supervisor meanwhile
// watches the worker's process and each lane's progress: a lane that stays
// in one call past the bound, or a worker that dies, costs the worker, and
// the supervisor names the call and starts another.
#include "tools/lumicall/target.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "catalogue/describe.h"
#include "tools/lumicall/console.h"
#include "tools/lumicall/machine.h"
#include "tools/lumicall/pe_file.h"
#include "tools/lumicall/version.h"

namespace lumi::call {
namespace {

constexpr int kLanes = 8;                      // threads the worker may run at once
constexpr std::uint32_t kLaneCalls = 4096;     // calls of one lane in one round
constexpr std::uint32_t kLaneTextUnits = 1u << 18;  // per lane, for the texts given and for those answered
constexpr std::uint32_t kDefaultCallBound = 2000;   // ms a call may take; a sound one takes microseconds
// After a DLL has hung this often, later calls get the short bound: a run
// over a DLL whose every text export hangs still ends within a minute.
constexpr int kHangsAtFullBound = 2;
constexpr std::uint32_t kShortCallBound = 250;
constexpr std::uint32_t kLoadBound = 8000;     // ms for a worker to start and load the DLL
// ms for a worker told to quit to end of itself (its DLL's detach included)
// before it is stopped; generous, for a loaded machine.
constexpr std::uint32_t kQuitBound = 5000;
constexpr std::uint32_t kStopBound = 8000;     // ms for a stopped worker to be gone
constexpr std::uint32_t kPoll = 20;            // ms between looks at a lane's progress
constexpr std::uint32_t kMagic = 0x4C554D49;   // "LUMI"
constexpr UINT kCrashedStatus = 0xC0DEDEAD;    // the worker's exit status after an unhandled fault
constexpr std::size_t kRows = kExportCount;

enum class WorkerState : LONG { Starting, Ready, LoadFailed };
enum class Command : LONG { None, Run, Quit };

struct WireRequest {
    std::uint16_t row, controlWord;
    std::uint8_t slotCount, preloaded;
    std::int8_t textSlot[kMaxRequestTexts];
    std::uint32_t slots[kMaxPushedSlots];
    std::uint32_t textAt[kMaxRequestTexts];  // in the lane's textsIn, NUL-terminated
};

enum : std::uint32_t { kFaulted = 1, kTextFaulted = 2, kTextEnded = 4 };

struct WireOutcome {
    CallRecord record;
    Fault fault, textFault;
    std::uint32_t flags;
    std::int32_t callersPointerSlot, overwrote;
    std::uint32_t textAt, textUnits;             // in the lane's textsOut
    std::uint32_t overwrittenAt, overwrittenUnits;
};

struct Lane {
    volatile LONG count;  // requests of this round
    volatile LONG done;   // outcomes written
    volatile LONG inCall; // a call is under way (the one at `done`)
    volatile LONG finished;  // the worker is through with this lane's round
    WireRequest requests[kLaneCalls];
    WireOutcome outcomes[kLaneCalls];
    char16_t textsIn[kLaneTextUnits];
    char16_t textsOut[kLaneTextUnits];
};

struct Shared {
    std::uint32_t magic;
    volatile LONG command;
    LONG lanes;      // lanes of this round: 1, or up to kLanes on threads
    LONG keptTexts;  // RunOptions::keptTexts
    wchar_t dllPath[1024];
    // The worker's, once started.
    volatile LONG state;
    volatile LONG restartWanted;  // its stack guard is spent
    char loadError[512];
    char version[64];
    wchar_t loadedPath[1024];
    std::uint8_t exported[kRows];
    // Its last words, from the unhandled-exception filter.
    volatile LONG crashed;
    LONG crashLane;
    Fault crash;
    Lane lane[kLanes];
};

std::string Formatted(const char* format, unsigned value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::wstring ObjectName(const std::wstring& base, const wchar_t* what) { return base + L"." + what; }

struct Handle {
    HANDLE value = nullptr;
    Handle() = default;
    explicit Handle(HANDLE h) : value(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(Handle&& other) noexcept : value(std::exchange(other.value, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        std::swap(value, other.value);
        return *this;
    }
    ~Handle() {
        if (value != nullptr) CloseHandle(value);
    }
    explicit operator bool() const { return value != nullptr; }
};

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

// ---- The worker's side ----------------------------------------------------------------

Shared* g_shared = nullptr;
thread_local LONG t_lane = 0;

// Last words: the fault no guard caught (the export broke the thread beyond
// recovery), then the end, before any debugger or dialog can start.
LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info) {
    if (g_shared != nullptr && info != nullptr && info->ExceptionRecord != nullptr) {
        const EXCEPTION_RECORD& record = *info->ExceptionRecord;
        Fault fault;
        fault.code = record.ExceptionCode;
        fault.address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress));
        if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
            fault.access = static_cast<std::int32_t>(record.ExceptionInformation[0]);
            fault.target = static_cast<std::uint32_t>(record.ExceptionInformation[1]);
        }
        g_shared->crash = fault;
        g_shared->crashLane = t_lane;
        InterlockedExchange(&g_shared->crashed, 1);
    }
    TerminateProcess(GetCurrentProcess(), kCrashedStatus);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct LoadedLibrary {
    HMODULE module = nullptr;
    const void* functions[kRows] = {};
};

// The region a read through a text pointer may touch: aligned blocks from
// just before it, up to 64 KiB on.
bool NearPointer(std::uint32_t target, std::uint32_t pointer) {
    constexpr std::uint32_t kReach = 0x10000;
    const std::uint32_t start = pointer & ~0xFu;
    return target >= start && target - start < kReach;
}

// The slot, read by the row as a text and given as a raw word, through which
// the fault read; -1 when the fault is the export's own.
int CallersPointerSlot(const ExportEntry& entry, const WireRequest& request, const Fault& fault) {
    if (fault.code != EXCEPTION_ACCESS_VIOLATION || fault.access != 0) return -1;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        if (input.kind != ValueKind::Text || input.slot >= request.slotCount) continue;
        bool built = false;
        for (std::int8_t slot : request.textSlot) built |= slot == input.slot;
        if (!built && NearPointer(fault.target, request.slots[input.slot])) return input.slot;
    }
    return -1;
}

// Copies a text the export answered into the lane's pool; false when it
// could not be read.
struct TextCopy {
    std::optional<Fault> fault;
    bool ended = true;
    std::uint32_t at = 0, units = 0;
};

TextCopy CopyText(std::uint32_t address, Lane& lane, std::uint32_t& used) {
    TextCopy copy;
    copy.at = used;
    const auto* text = reinterpret_cast<const char16_t*>(static_cast<std::uintptr_t>(address));
    char16_t* out = lane.textsOut + used;
    copy.fault = Guarded([&] {
        std::uint32_t length = 0;
        while (length < kMaxTextUnits && text[length] != 0) {
            out[length] = text[length];
            ++length;
        }
        copy.ended = length < kMaxTextUnits;
        copy.units = length;
    });
    if (copy.fault) copy.units = 0;
    used += copy.units;
    return copy;
}

// A text-building call's text, for RunOptions::keptTexts.
struct KeptText {
    std::uint32_t address, at, units;
    LONG index;
};

bool StillReads(const KeptText& kept, const Lane& lane) {
    const auto* text = reinterpret_cast<const char16_t*>(static_cast<std::uintptr_t>(kept.address));
    bool same = false;
    const auto fault = Guarded([&] {
        same = std::memcmp(text, lane.textsOut + kept.at, kept.units * sizeof(char16_t)) == 0 && text[kept.units] == 0;
    });
    return !fault && same;
}

bool BuildsText(const ExportEntry& entry) {
    return entry.routine == Routine::FormatFixed || entry.routine == Routine::FormatTime;
}

void RunCalls(const LoadedLibrary& library, Lane& lane);

void RunLane(const LoadedLibrary& library, LONG laneIndex) {
    t_lane = laneIndex;
    Lane& lane = g_shared->lane[laneIndex];
    RunCalls(library, lane);
    InterlockedExchange(&lane.finished, 1);
}

void RunCalls(const LoadedLibrary& library, Lane& lane) {
    const int keptTexts = std::min<int>(g_shared->keptTexts, 64);
    std::vector<KeptText> kept;
    std::uint32_t used = 0;
    const LONG count = lane.count;
    for (LONG i = lane.done; i < count; ++i) {
        // Room for the longest answer and one overwritten text, or the round ends here.
        if (kLaneTextUnits - used < 2 * kMaxTextUnits + 2) break;
        const WireRequest& request = lane.requests[i];
        const ExportEntry& entry = Catalogue()[request.row];
        std::uint32_t slots[kMaxPushedSlots];
        std::memcpy(slots, request.slots, sizeof slots);
        for (int t = 0; t < kMaxRequestTexts; ++t)
            if (request.textSlot[t] >= 0)
                slots[request.textSlot[t]] = static_cast<std::uint32_t>(
                    reinterpret_cast<std::uintptr_t>(lane.textsIn + request.textAt[t]));
        WireOutcome& outcome = lane.outcomes[i];
        std::memset(&outcome, 0, sizeof outcome);
        outcome.callersPointerSlot = -1;
        outcome.overwrote = -1;
        outcome.record.controlWord = request.controlWord;
        outcome.record.preloaded = std::min<int>(request.preloaded, kMaxPreloaded);
        const void* function = library.functions[request.row];
        InterlockedExchange(&lane.inCall, 1);
        const std::optional<Fault> fault =
            function == nullptr ? std::optional<Fault>(Fault{EXCEPTION_ACCESS_VIOLATION, 0, 8, 0})
                                : Guarded([&] { SlotCall(function, slots, request.slotCount, &outcome.record); });
        // A text-building call that faulted may still have taken a buffer: it
        // counts toward the window all the same, with no text to look at.
        if (keptTexts > 0 && BuildsText(entry) && (fault || outcome.record.eax == 0)) {
            kept.push_back({0, 0, 0, i});
            if (static_cast<int>(kept.size()) > keptTexts) kept.erase(kept.begin());
        }
        if (fault) {
            outcome.flags |= kFaulted;
            outcome.fault = *fault;
            outcome.callersPointerSlot = CallersPointerSlot(entry, request, *fault);
            if (fault->code == EXCEPTION_STACK_OVERFLOW) InterlockedExchange(&g_shared->restartWanted, 1);
        } else if (entry.result == ValueKind::Text && outcome.record.eax != 0) {
            // Copied before anything else can call a text-building export.
            const TextCopy copy = CopyText(outcome.record.eax, lane, used);
            if (copy.fault) {
                outcome.flags |= kTextFaulted;
                outcome.textFault = *copy.fault;
            }
            if (copy.ended) outcome.flags |= kTextEnded;
            outcome.textAt = copy.at;
            outcome.textUnits = copy.units;
            if (keptTexts > 0 && BuildsText(entry)) {
                for (const KeptText& earlier : kept) {
                    if (earlier.address == 0 || StillReads(earlier, lane)) continue;
                    outcome.overwrote = earlier.index;
                    const TextCopy now = CopyText(earlier.address, lane, used);
                    outcome.overwrittenAt = now.at;
                    outcome.overwrittenUnits = now.units;
                    break;
                }
                const bool readable = !copy.fault && copy.ended;
                kept.push_back({readable ? outcome.record.eax : 0, copy.at, copy.units, i});
                if (static_cast<int>(kept.size()) > keptTexts) kept.erase(kept.begin());
            }
        }
        if (!fault && entry.result != ValueKind::Text) outcome.flags |= kTextEnded;
        InterlockedExchange(&lane.inCall, 0);
        InterlockedExchange(&lane.done, i + 1);
    }
}

DWORD WINAPI LaneThread(void* context) {
    const auto* library = static_cast<const LoadedLibrary*>(static_cast<void**>(context)[0]);
    RunLane(*library, static_cast<LONG>(reinterpret_cast<std::uintptr_t>(static_cast<void**>(context)[1])));
    return 0;
}

void RunRound(const LoadedLibrary& library) {
    const LONG lanes = std::clamp<LONG>(g_shared->lanes, 1, kLanes);
    if (lanes == 1) return RunLane(library, 0);
    void* contexts[kLanes][2];
    HANDLE threads[kLanes];
    int started = 0;
    for (LONG l = 0; l < lanes; ++l) {
        contexts[l][0] = const_cast<LoadedLibrary*>(&library);
        contexts[l][1] = reinterpret_cast<void*>(static_cast<std::uintptr_t>(l));
        threads[started] = CreateThread(nullptr, 0, LaneThread, contexts[l], 0, nullptr);
        if (threads[started] != nullptr) ++started;
    }
    WaitForMultipleObjects(started, threads, TRUE, INFINITE);
    for (int t = 0; t < started; ++t) CloseHandle(threads[t]);
}

void LoadInWorker(LoadedLibrary& library) {
    const HMODULE module = LoadLibraryExW(g_shared->dllPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        const std::string why = WindowsErrorText(GetLastError());
        std::snprintf(g_shared->loadError, sizeof g_shared->loadError, "%s", why.c_str());
        InterlockedExchange(&g_shared->state, static_cast<LONG>(WorkerState::LoadFailed));
        return;
    }
    library.module = module;
    for (std::size_t row = 0; row < kRows && row < Catalogue().size(); ++row) {
        const std::string name = std::string(kExportPrefix) + std::string(Catalogue()[row].code);
        library.functions[row] = reinterpret_cast<const void*>(GetProcAddress(module, name.c_str()));
        g_shared->exported[row] = library.functions[row] != nullptr;
    }
    std::string version;
    if (Guarded([&] { version = ModuleVersion(module); })) version.clear();
    std::snprintf(g_shared->version, sizeof g_shared->version, "%s", version.c_str());
    GetModuleFileNameW(module, g_shared->loadedPath, static_cast<DWORD>(std::size(g_shared->loadedPath) - 1));
    InterlockedExchange(&g_shared->state, static_cast<LONG>(WorkerState::Ready));
}

// ---- The supervisor's side ----------------------------------------------------------

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

std::optional<Fault> FaultIf(bool present, const Fault& fault) {
    return present ? std::optional<Fault>(fault) : std::nullopt;
}

std::string ResolvedPath(const std::string& given) {
    std::string path = given.empty() ? DefaultLibraryPath() : given;
    // As the loader does: a name with no extension means NAME.dll.
    const std::size_t name = path.find_last_of("\\/") + 1;
    if (path.find('.', name) == std::string::npos && GetFileAttributesW(Widened(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        path += ".dll";
    return path;
}

}  // namespace

// ---- Requests -------------------------------------------------------------------------

void Request::PutText(int slot, std::u16string_view text) {
    for (int i = 0; i < kMaxRequestTexts; ++i) {
        if (textSlot[i] >= 0 && textSlot[i] != slot) continue;
        textSlot[i] = static_cast<std::int8_t>(slot);
        texts[i] = text;
        return;
    }
    throw std::logic_error("a call points at most " + std::to_string(kMaxRequestTexts) + " slots at texts");
}

Request RequestFor(const ExportEntry& entry, std::span<const std::uint32_t> slots, std::uint16_t controlWord) {
    Request request;
    request.row = static_cast<std::uint16_t>(&entry - Catalogue().data());
    request.controlWord = controlWord;
    request.slotCount = static_cast<std::uint8_t>(std::min<std::size_t>(slots.size(), kMaxPushedSlots));
    std::copy_n(slots.begin(), request.slotCount, request.slots.begin());
    return request;
}

std::string TargetFacts::FileName() const { return path.substr(path.find_last_of("\\/") + 1); }

// ---- The worker, as the supervisor holds it ------------------------------------------

class Worker {
public:
    explicit Worker(const std::string& path) : path_(path) {
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
    ~Worker() {
        Stop();
        if (shared_ != nullptr) UnmapViewOfFile(shared_);
    }

    // Starts a worker and waits until it has loaded the DLL; the reason when
    // it does not.
    std::string Start() {
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

    void Stop() {
        if (!process_) return;
        if (WaitForSingleObject(process_.value, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.value, 1);
            WaitForSingleObject(process_.value, kStopBound);
        }
        Forget();
    }

    // Tells the worker to quit and waits until it has; one that does not
    // within the bound is stopped. Either way it is gone when this returns.
    void Quit() {
        if (!Running()) return Forget();
        shared_->command = static_cast<LONG>(Command::Quit);
        SetEvent(go_.value);
        WaitForSingleObject(process_.value, kQuitBound);
        Stop();
    }

    bool Running() const { return process_ && WaitForSingleObject(process_.value, 0) == WAIT_TIMEOUT; }
    Shared& Memory() { return *shared_; }
    int Started() const { return started_; }

    enum class RoundEnd { Finished, Hung, Died, Stalled };
    struct RoundResult {
        RoundEnd end = RoundEnd::Finished;
        std::vector<bool> culprit;  // by lane: the lane whose call hung or died
        std::string words;
    };

    // Runs the round laid in the lanes; watches each lane's progress.
    RoundResult RunRound(int lanes) {
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

    std::uint32_t bound_ = kDefaultCallBound;

private:
    // The process handle let go of, the process being gone.
    void Forget() {
        if (process_) LiveWorkers::Get().Remove(process_.value);
        process_ = Handle();
    }

    std::string path_;
    std::wstring name_;
    Handle mapping_, go_, done_, process_;
    Shared* shared_ = nullptr;
    int started_ = 0;
    int hangs_ = 0;
};

// ---- Target ---------------------------------------------------------------------------

Target::Target() = default;
Target::Target(Target&&) noexcept = default;
Target& Target::operator=(Target&&) noexcept = default;
Target::~Target() {
    if (worker_) worker_->Quit();
}

Target Target::Open(const std::string& given) {
    const std::string path = ResolvedPath(given);
    const DWORD attributes = GetFileAttributesW(Widened(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw LoadError("cannot load " + path + ": it is a folder, not a DLL");
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const std::runtime_error& error) {
        throw LoadError(error.what());
    }
    if (const std::string problem = ImageProblem(bytes); !problem.empty()) throw LoadError("cannot load " + path + ": " + problem);
    const std::vector<std::uint8_t> image = MappedImage(bytes);
    for (const auto check : {ExportTableProblem, ImportTableProblem})
        if (const std::string problem = check(image); !problem.empty()) throw LoadError("cannot load " + path + ": " + problem);

    Target target;
    TargetFacts& facts = target.facts_;
    facts.path = path;
    facts.exportNames = ExportNames(image);
    facts.directoryName = ExportDirectoryName(image);
    std::size_t named = 0;
    for (const ExportEntry& entry : Catalogue())
        named += std::find(facts.exportNames.begin(), facts.exportNames.end(),
                           std::string(kExportPrefix) + std::string(entry.code)) != facts.exportNames.end();
    if (named == 0)
        throw LoadError(path + " is not lumivextaran.dll: " + std::to_string(Catalogue().size()) + " of " +
                        std::to_string(Catalogue().size()) + " exports missing");
    facts.sha256 = Sha256Hex(bytes);

    target.worker_ = std::make_unique<Worker>(path);
    if (const std::string why = target.worker_->Start(); !why.empty()) throw LoadError("cannot load " + path + ": " + why);
    const Shared& shared = target.worker_->Memory();
    facts.version = shared.version;
    facts.loadedPath = Narrowed(shared.loadedPath);
    if (facts.loadedPath.empty()) facts.loadedPath = path;
    facts.exported.resize(Catalogue().size());
    for (std::size_t row = 0; row < Catalogue().size(); ++row) {
        facts.exported[row] = shared.exported[row] != 0;
        facts.missing += !facts.exported[row];
    }
    return target;
}

bool Target::Exports(const ExportEntry& entry) const {
    const std::size_t row = static_cast<std::size_t>(&entry - Catalogue().data());
    return row < facts_.exported.size() && facts_.exported[row];
}

void Target::SetCallBound(std::uint32_t milliseconds) { worker_->bound_ = milliseconds; }
int Target::WorkersStarted() const { return worker_->Started(); }

Outcome Target::Call(const Request& request) { return Run(std::span(&request, 1)).front(); }

std::vector<Outcome> Target::Run(std::span<const Request> requests, const RunOptions& options) {
    const std::span<const Request> one[] = {requests};  // a single lane, on the worker's main thread
    return std::move(RunLanes(one, options).front());
}

namespace {

Outcome NotRun(std::string words) {
    Outcome outcome;
    outcome.failure = Failure::NotRun;
    outcome.failureWords = std::move(words);
    return outcome;
}

Outcome FromWire(const WireOutcome& wire, const Lane& lane) {
    Outcome outcome;
    outcome.record = wire.record;
    outcome.fault = FaultIf(wire.flags & kFaulted, wire.fault);
    outcome.textFault = FaultIf(wire.flags & kTextFaulted, wire.textFault);
    outcome.textEnded = (wire.flags & kTextEnded) != 0;
    outcome.text.assign(lane.textsOut + wire.textAt, wire.textUnits);
    outcome.callersPointerSlot = wire.callersPointerSlot;
    outcome.overwrote = wire.overwrote;
    if (wire.overwrote >= 0) outcome.overwrittenText.assign(lane.textsOut + wire.overwrittenAt, wire.overwrittenUnits);
    return outcome;
}

}  // namespace

std::vector<std::string> Target::TakeIncidents() { return std::exchange(incidents_, {}); }

std::vector<std::vector<Outcome>> Target::RunOnThreads(std::span<const std::vector<Request>> lists,
                                                       const RunOptions& options) {
    std::vector<std::span<const Request>> spans(lists.begin(), lists.end());
    if (spans.size() == 1) spans.emplace_back();  // still on a thread of its own
    std::vector<std::vector<Outcome>> outcomes = RunLanes(spans, options);
    outcomes.resize(lists.size());
    return outcomes;
}

std::vector<std::vector<Outcome>> Target::RunLanes(std::span<const std::span<const Request>> lists,
                                                   const RunOptions& options) {
    if (lists.size() > static_cast<std::size_t>(kLanes)) throw std::logic_error("at most 8 threads at once");
    const int lanes = std::max<int>(1, static_cast<int>(lists.size()));
    std::vector<std::vector<Outcome>> outcomes(lists.size());
    for (std::size_t l = 0; l < lists.size(); ++l) outcomes[l].resize(lists[l].size());
    std::vector<std::size_t> next(lists.size(), 0);
    Shared& shared = worker_->Memory();
    shared.keptTexts = options.keptTexts;
    std::vector<std::string>& abandoned = abandoned_;  // by row: why it is not called again
    abandoned.resize(Catalogue().size());

    for (;;) {
        // Lay the round: each lane's next requests, as many as fit.
        std::vector<std::vector<std::size_t>> placed(lists.size());  // round index -> batch index
        bool any = false;
        for (std::size_t l = 0; l < lists.size(); ++l) {
            Lane& lane = shared.lane[l];
            std::uint32_t textUsed = 0, count = 0;
            while (next[l] < lists[l].size() && count < kLaneCalls) {
                const Request& request = lists[l][next[l]];
                if (!abandoned[request.row].empty()) {
                    outcomes[l][next[l]++] = NotRun("not called: " + abandoned[request.row]);
                    continue;
                }
                std::uint32_t units = 0;
                for (int t = 0; t < kMaxRequestTexts; ++t)
                    if (request.textSlot[t] >= 0) units += static_cast<std::uint32_t>(request.texts[t].size() + 8);
                if (textUsed + units > kLaneTextUnits) break;
                WireRequest& wire = lane.requests[count];
                wire.row = request.row;
                wire.controlWord = request.controlWord;
                wire.slotCount = std::min<std::uint8_t>(request.slotCount, kMaxPushedSlots);
                wire.preloaded = request.preloaded;
                std::memcpy(wire.slots, request.slots.data(), sizeof wire.slots);
                for (int t = 0; t < kMaxRequestTexts; ++t) {
                    wire.textSlot[t] = request.textSlot[t] >= 0 && request.textSlot[t] < wire.slotCount ? request.textSlot[t] : -1;
                    if (wire.textSlot[t] < 0) continue;
                    textUsed = (textUsed + 7) & ~7u;  // 16-byte aligned texts
                    wire.textAt[t] = textUsed;
                    std::copy(request.texts[t].begin(), request.texts[t].end(), lane.textsIn + textUsed);
                    textUsed += static_cast<std::uint32_t>(request.texts[t].size());
                    lane.textsIn[textUsed++] = 0;
                }
                placed[l].push_back(next[l]++);
                ++count;
            }
            lane.count = static_cast<LONG>(count);
            lane.done = 0;
            lane.inCall = 0;
            lane.finished = 0;
            any |= count > 0;
        }
        if (!any) return outcomes;

        if (!worker_->Running()) {
            if (const std::string why = worker_->Start(); !why.empty()) {
                for (std::size_t l = 0; l < lists.size(); ++l)
                    for (std::size_t index : placed[l]) outcomes[l][index] = NotRun("not called: no worker process could start again: " + why);
                continue;
            }
        }
        const Worker::RoundResult round = worker_->RunRound(lanes);
        for (std::size_t l = 0; l < lists.size(); ++l) {
            const Lane& lane = shared.lane[l];
            const std::size_t done = static_cast<std::size_t>(std::clamp<LONG>(LONG{lane.done}, 0, LONG{lane.count}));
            for (std::size_t i = 0; i < done; ++i) {
                Outcome outcome = FromWire(lane.outcomes[i], lane);
                if (outcome.fault && outcome.fault->code == EXCEPTION_STACK_OVERFLOW)
                    abandoned[lists[l][placed[l][i]].row] = "it overflowed the stack in an earlier call";
                if (outcome.overwrote >= 0) outcome.overwrote = static_cast<int>(placed[l][outcome.overwrote]);
                outcomes[l][placed[l][i]] = std::move(outcome);
            }
            // The rest of the lane goes to the next round: from the first not done.
            if (done < placed[l].size()) next[l] = placed[l][done];
            if (round.end == Worker::RoundEnd::Finished || done >= placed[l].size()) continue;
            const Request& failed = lists[l][next[l]];
            Outcome& outcome = outcomes[l][next[l]];
            if (round.culprit[l]) {
                outcome.failure = round.end == Worker::RoundEnd::Hung ? Failure::Hung : Failure::WorkerDied;
                outcome.failureWords = round.words;
                abandoned[failed.row] = std::string(round.end == Worker::RoundEnd::Hung ? "it hung" : "it killed the worker process") +
                                        " in an earlier call";
                ++next[l];
            } else if (lane.inCall) {
                outcome = NotRun("not finished: the worker process was stopped for another thread's call");
                ++next[l];
            }
        }
        if (round.end == Worker::RoundEnd::Stalled) incidents_.push_back(round.words);
        if (round.end == Worker::RoundEnd::Finished && shared.restartWanted) worker_->Stop();
    }
}

// ---- The worker process -----------------------------------------------------------------

namespace {

struct Watch {
    HANDLE supervisor, quit, running;
};

// Ends the worker with its supervisor, even while a call into the DLL never
// returns; returns when told to quit.
DWORD WINAPI WatchSupervisor(void* context) {
    const Watch& watch = *static_cast<const Watch*>(context);
    const HANDLE waits[] = {watch.quit, watch.supervisor};
    SetEvent(watch.running);
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) TerminateProcess(GetCurrentProcess(), kCrashedStatus);
    return 0;
}

// The watching thread, running before the worker reports ready and ended
// before the worker exits: a process that exits while one of its threads
// is still starting can lose its tie to Wine's server half-way, and Wine
// then writes its complaint to the output lumicall shares.
class Watcher {
public:
    explicit Watcher(HANDLE supervisor)
        : quit_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), running_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        watch_ = {supervisor, quit_.value, running_.value};
        if (!quit_ || !running_) return;
        thread_ = Handle(CreateThread(nullptr, 0, WatchSupervisor, &watch_, 0, nullptr));
        if (thread_) WaitForSingleObject(running_.value, INFINITE);
    }
    ~Watcher() {
        if (!thread_) return;
        SetEvent(quit_.value);
        WaitForSingleObject(thread_.value, INFINITE);
    }
    explicit operator bool() const { return static_cast<bool>(thread_); }

private:
    Handle quit_, running_, thread_;
    Watch watch_{};
};

}  // namespace

int RunWorker(std::span<const std::string> arguments) {
    // No dialog for a fault or a missing file: the supervisor reports it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandled);
    if (arguments.size() != 2) return kWrongUse;
    const std::wstring name = Widened(arguments[0]);
    const Handle mapping(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, ObjectName(name, L"shared").c_str()));
    const Handle go(OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, ObjectName(name, L"go").c_str()));
    const Handle done(OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, ObjectName(name, L"done").c_str()));
    const Handle parent(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(arguments[1]))));
    if (!mapping || !go || !done || !parent) return kWrongUse;
    g_shared = static_cast<Shared*>(MapViewOfFile(mapping.value, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
    if (g_shared == nullptr || g_shared->magic != kMagic) return kWrongUse;

    const Watcher watcher(parent.value);
    if (!watcher) return kWrongUse;
    static LoadedLibrary library;
    LoadInWorker(library);
    SetEvent(done.value);
    if (g_shared->state != static_cast<LONG>(WorkerState::Ready)) return kContractBroken;
    const HANDLE waits[] = {go.value, parent.value};
    for (;;) {
        // Ends with its supervisor, whatever became of it.
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return kAllHeld;
        if (g_shared->command == static_cast<LONG>(Command::Quit)) return kAllHeld;
        RunRound(library);
        SetEvent(done.value);
    }
}

}  // namespace lumi::call
