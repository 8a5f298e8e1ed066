// The one guarded call that every lumicall command makes: calls into a DLL
// under test run in a worker process (lumicall.exe itself, started with a
// hidden argument) that this process supervises, so that whatever the DLL
// does (fault, hang, overflow its stack, trash ESP, kill its process) lumicall
// names the export, starts a fresh worker and goes on.
//
// Calls travel in batches through memory shared with the worker: the worker
// publishes the index of the call in progress, so a call costs a few
// microseconds and no round trip. On a crash or a hang the outcomes before
// it are kept, the failing call gets its failure in words, and a fresh
// worker takes the rest.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/lumicall/worker/outcome.h"

namespace lumi::call {

// The DLL could not be loaded: reported with exit status 2.
struct LoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr int kMaxRequestTexts = 4;  // texts one call may point slots at

// One call for the worker to make.
struct Request {
    std::uint16_t row = 0;                            // index of the row in Catalogue()
    std::uint16_t controlWord = kDefaultControlWord;  // loaded for the call
    std::uint8_t slotCount = 0;                       // words pushed, slot 0 first
    std::uint8_t preloaded = 0;                       // values on the x87 stack at the call (at most kMaxPreloaded)
    std::array<std::uint32_t, kMaxPushedSlots> slots{};
    // Texts the worker copies into its own memory, pointing `textSlot[i]` at
    // texts[i]; -1 for none. Other slots carry their word as it is (null, a
    // wild pointer, a decoy). The views must outlive Run.
    std::array<std::int8_t, kMaxRequestTexts> textSlot{-1, -1, -1, -1};
    std::array<std::u16string_view, kMaxRequestTexts> texts{};

    const ExportEntry& Entry() const { return Catalogue()[row]; }
    // Points `slot` at a copy of `text` (up to kMaxRequestTexts of them).
    void PutText(int slot, std::u16string_view text);
};

// `entry` called with `slots` (slot 0 first) under `controlWord`.
Request RequestFor(const ExportEntry& entry, std::span<const std::uint32_t> slots,
                   std::uint16_t controlWord = kDefaultControlWord);

// How the worker runs a batch.
struct RunOptions {
    // After each text-building call, the texts of the previous `keptTexts`
    // text-building calls of the same batch and thread must read as they
    // did (Outcome::overwrote names the first that does not); 0: no check.
    int keptTexts = 0;
};

// What the DLL's file and its load tell about it, before any call.
struct TargetFacts {
    std::string path;        // as given
    std::string loadedPath;  // as the system loaded it
    std::string version;     // of its version resource; empty when it has none
    std::string sha256;      // of the file, lower-case hexadecimal
    std::vector<std::string> exportNames;  // every name in its export directory
    std::string directoryName;             // the library name its export directory gives
    std::vector<bool> exported;            // by catalogue row: the DLL exports it
    std::size_t missing = 0;               // catalogue rows it does not export

    std::string FileName() const;  // the last part of path
};

class Worker;

// A DLL under test, loaded in a worker process.
class Target {
public:
    // Checks the file as verify does (a whole 32-bit x86 DLL, export and
    // import directories within its image, its export table readable, at
    // least one catalogue export), then starts the worker, which loads it.
    // A LoadError with the reason when any of that fails. An empty path
    // means lumivextaran.dll beside lumicall.exe; a path with no extension
    // gets ".dll", as the system's loader would give it.
    static Target Open(const std::string& path);

    Target(Target&&) noexcept;
    Target& operator=(Target&&) noexcept;
    ~Target();

    const TargetFacts& Facts() const { return facts_; }
    bool Exports(const ExportEntry& entry) const;

    // One Outcome per request, in order. An export that hung or killed the
    // worker is not called again: its later requests come back NotRun.
    std::vector<Outcome> Run(std::span<const Request> requests, const RunOptions& options = {});
    Outcome Call(const Request& request);

    // Each list on a thread of its own in the worker, all started together:
    // one list of outcomes per list of requests.
    std::vector<std::vector<Outcome>> RunOnThreads(std::span<const std::vector<Request>> lists,
                                                   const RunOptions& options = {});

    // How long one call may take before the worker is stopped and the call
    // named as hung.
    void SetCallBound(std::uint32_t milliseconds);

    // What went wrong outside any one call since the last look (a worker
    // whose threads did not end), in words.
    std::vector<std::string> TakeIncidents();

    // How many workers this target has started (1 + one per restart).
    int WorkersStarted() const;

private:
    Target();
    // One lane of requests per list: a single one runs on the worker's main thread.
    std::vector<std::vector<Outcome>> RunLanes(std::span<const std::span<const Request>> lists, const RunOptions& options);
    TargetFacts facts_;
    std::unique_ptr<Worker> worker_;
    std::vector<std::string> abandoned_;
    std::vector<std::string> incidents_;  // by row: why it is not called again, once it cost a worker
};

// lumicall.exe started as a worker (the hidden argument): runs what its
// supervisor asks; returns the process's exit status.
constexpr std::string_view kWorkerArgument = "--lumicall-worker";
int RunWorker(std::span<const std::string> arguments);

}  // namespace lumi::call
