// The worker process: loads the DLL, then makes each round of calls its
// supervisor lays in the shared memory, on one thread or one per lane, and
// ends with its supervisor, whatever became of it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/describe.h"
#include "tools/lumicall/worker/exit_status.h"
#include "tools/lumicall/worker/system.h"
#include "tools/lumicall/worker/target.h"
#include "tools/lumicall/worker/version.h"
#include "tools/lumicall/worker/wire.h"

namespace lumi::call {

using namespace wire;

namespace {

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

// The texts of the last few text-building calls, oldest first, to tell
// whether a later call overwrote one of them.
class KeptTexts {
public:
    explicit KeptTexts(int window) : window_(window) {}

    bool Watches(const ExportEntry& entry) const { return window_ > 0 && BuildsText(entry); }

    void Keep(const KeptText& text) {
        kept_.push_back(text);
        if (static_cast<int>(kept_.size()) > window_) kept_.erase(kept_.begin());
    }

    // The first kept text that no longer reads as it was copied: named in
    // the outcome and copied again as it reads now.
    void NoteOverwritten(Lane& lane, std::uint32_t& used, WireOutcome& outcome) const {
        for (const KeptText& earlier : kept_) {
            if (earlier.address == 0 || StillReads(earlier, lane)) continue;
            outcome.overwrote = earlier.index;
            const TextCopy now = CopyText(earlier.address, lane, used);
            outcome.overwrittenAt = now.at;
            outcome.overwrittenUnits = now.units;
            return;
        }
    }

private:
    int window_;
    std::vector<KeptText> kept_;
};

// The request's slots, each built text's slot pointing at its text in the lane.
void BindSlots(const WireRequest& request, const Lane& lane, std::uint32_t (&slots)[kMaxPushedSlots]) {
    std::memcpy(slots, request.slots, sizeof slots);
    for (int t = 0; t < kMaxRequestTexts; ++t)
        if (request.textSlot[t] >= 0)
            slots[request.textSlot[t]] =
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(lane.textsIn + request.textAt[t]));
}

void StartOutcome(WireOutcome& outcome, const WireRequest& request) {
    std::memset(&outcome, 0, sizeof outcome);
    outcome.callersPointerSlot = -1;
    outcome.overwrote = -1;
    outcome.record.controlWord = request.controlWord;
    outcome.record.preloaded = std::min<int>(request.preloaded, kMaxPreloaded);
}

void NoteFault(WireOutcome& outcome, const ExportEntry& entry, const WireRequest& request, const Fault& fault) {
    outcome.flags |= kFaulted;
    outcome.fault = fault;
    outcome.callersPointerSlot = CallersPointerSlot(entry, request, fault);
    if (fault.code == EXCEPTION_STACK_OVERFLOW) InterlockedExchange(&g_shared->restartWanted, 1);
}

// The answered text, copied before anything else can call a text-building export.
void NoteText(WireOutcome& outcome, const ExportEntry& entry, LONG index, Lane& lane, std::uint32_t& used,
              KeptTexts& kept) {
    const TextCopy copy = CopyText(outcome.record.eax, lane, used);
    if (copy.fault) {
        outcome.flags |= kTextFaulted;
        outcome.textFault = *copy.fault;
    }
    if (copy.ended) outcome.flags |= kTextEnded;
    outcome.textAt = copy.at;
    outcome.textUnits = copy.units;
    if (!kept.Watches(entry)) return;
    kept.NoteOverwritten(lane, used, outcome);
    const bool readable = !copy.fault && copy.ended;
    kept.Keep({readable ? outcome.record.eax : 0, copy.at, copy.units, index});
}

void RunCalls(const LoadedLibrary& library, Lane& lane) {
    KeptTexts kept(std::min<int>(g_shared->keptTexts, 64));
    std::uint32_t used = 0;
    const LONG count = lane.count;
    for (LONG i = lane.done; i < count; ++i) {
        // Room for the longest answer and one overwritten text, or the round ends here.
        if (kLaneTextUnits - used < 2 * kMaxTextUnits + 2) break;
        const WireRequest& request = lane.requests[i];
        const ExportEntry& entry = Catalogue()[request.row];
        std::uint32_t slots[kMaxPushedSlots];
        BindSlots(request, lane, slots);
        WireOutcome& outcome = lane.outcomes[i];
        StartOutcome(outcome, request);
        const void* function = library.functions[request.row];
        InterlockedExchange(&lane.inCall, 1);
        const std::optional<Fault> fault =
            function == nullptr ? std::optional<Fault>(Fault{EXCEPTION_ACCESS_VIOLATION, 0, 8, 0})
                                : Guarded([&] { SlotCall(function, slots, request.slotCount, &outcome.record); });
        // A text-building call that faulted may still have taken a buffer: it
        // counts toward the window all the same, with no text to look at.
        if (kept.Watches(entry) && (fault || outcome.record.eax == 0)) kept.Keep({0, 0, 0, i});
        if (fault)
            NoteFault(outcome, entry, request, *fault);
        else if (entry.result == ValueKind::Text && outcome.record.eax != 0)
            NoteText(outcome, entry, i, lane, used, kept);
        if (!fault && entry.result != ValueKind::Text) outcome.flags |= kTextEnded;
        InterlockedExchange(&lane.inCall, 0);
        InterlockedExchange(&lane.done, i + 1);
    }
}

void RunLane(const LoadedLibrary& library, LONG laneIndex) {
    t_lane = laneIndex;
    Lane& lane = g_shared->lane[laneIndex];
    RunCalls(library, lane);
    InterlockedExchange(&lane.finished, 1);
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

}  // namespace

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
