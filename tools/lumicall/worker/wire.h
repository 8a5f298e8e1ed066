// The wire between lumicall and its worker: lumicall.exe started again with
// kWorkerArgument, the names of a file mapping and two events of its
// supervisor's. The supervisor writes a round of requests into the mapping
// (one lane per thread), sets "go"; the worker makes each call through the
// raw-slot thunk under the vectored guard, writes its outcome and moves the
// lane's `done` on, and sets "done" at the end of the round. The supervisor
// meanwhile watches the worker's process and each lane's progress: a lane
// that stays in one call past the bound, or a worker that dies, costs the
// worker, and the supervisor names the call and starts another.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "catalogue/catalogue.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call::wire {

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

inline std::wstring ObjectName(const std::wstring& base, const wchar_t* what) { return base + L"." + what; }

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

}  // namespace lumi::call::wire
