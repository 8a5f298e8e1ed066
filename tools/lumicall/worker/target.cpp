// The Target API: the file checked, the worker started, and batches of
// requests laid into rounds for it, their outcomes read back off the wire.
#include "tools/lumicall/worker/target.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "catalogue/describe.h"
#include "tools/lumicall/worker/machine.h"
#include "tools/lumicall/worker/pe_file.h"
#include "tools/lumicall/worker/supervisor.h"
#include "tools/lumicall/worker/system.h"
#include "tools/lumicall/worker/wire.h"

namespace lumi::call {

using namespace wire;

namespace {

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

namespace {

using Lists = std::span<const std::span<const Request>>;
using Placed = std::vector<std::vector<std::size_t>>;  // by lane: round index -> batch index

// Copies one request onto the lane's wire at `count`, its texts into the
// lane's text area from `textUsed` on; false when they do not fit there.
bool PlaceRequest(const Request& request, Lane& lane, std::uint32_t count, std::uint32_t& textUsed) {
    std::uint32_t units = 0;
    for (int t = 0; t < kMaxRequestTexts; ++t)
        if (request.textSlot[t] >= 0) units += static_cast<std::uint32_t>(request.texts[t].size() + 8);
    if (textUsed + units > kLaneTextUnits) return false;
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
    return true;
}

// Lays one round: each lane's next requests, as many as fit. A request of a
// row given up on, or one whose texts would not fit an empty lane, is
// answered here and not laid.
Placed LayRound(Lists lists, std::vector<std::size_t>& next, std::vector<std::vector<Outcome>>& outcomes,
                const std::vector<std::string>& abandoned, Shared& shared) {
    Placed placed(lists.size());
    for (std::size_t l = 0; l < lists.size(); ++l) {
        Lane& lane = shared.lane[l];
        std::uint32_t textUsed = 0, count = 0;
        while (next[l] < lists[l].size() && count < kLaneCalls) {
            const Request& request = lists[l][next[l]];
            if (!abandoned[request.row].empty()) {
                outcomes[l][next[l]++] = NotRun("not called: " + abandoned[request.row]);
                continue;
            }
            if (!PlaceRequest(request, lane, count, textUsed)) {
                if (count > 0) break;  // the next round gives it the whole lane
                outcomes[l][next[l]++] = NotRun("not called: its texts are longer than the " +
                                                std::to_string(kLaneTextUnits) + " units a lane holds");
                continue;
            }
            placed[l].push_back(next[l]++);
            ++count;
        }
        lane.count = static_cast<LONG>(count);
        lane.done = 0;
        lane.inCall = 0;
        lane.finished = 0;
    }
    return placed;
}

bool AnyPlaced(const Placed& placed) {
    return std::any_of(placed.begin(), placed.end(), [](const std::vector<std::size_t>& lane) { return !lane.empty(); });
}

// Reads back what the round did. A lane the round did not finish goes on
// from its first call not done; the call that hung or killed the worker
// is answered so, and its row given up on.
void TakeRound(Lists lists, const Placed& placed, const Worker::RoundResult& round, const Shared& shared,
               std::vector<std::size_t>& next, std::vector<std::vector<Outcome>>& outcomes,
               std::vector<std::string>& abandoned) {
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
}

}  // namespace

std::vector<std::vector<Outcome>> Target::RunLanes(Lists lists, const RunOptions& options) {
    if (lists.size() > static_cast<std::size_t>(kLanes)) throw std::logic_error("at most 8 threads at once");
    const int lanes = std::max<int>(1, static_cast<int>(lists.size()));
    std::vector<std::vector<Outcome>> outcomes(lists.size());
    for (std::size_t l = 0; l < lists.size(); ++l) outcomes[l].resize(lists[l].size());
    std::vector<std::size_t> next(lists.size(), 0);
    Shared& shared = worker_->Memory();
    shared.keptTexts = options.keptTexts;
    abandoned_.resize(Catalogue().size());  // by row: why it is not called again

    for (;;) {
        const Placed placed = LayRound(lists, next, outcomes, abandoned_, shared);
        if (!AnyPlaced(placed)) return outcomes;
        if (!worker_->Running()) {
            if (const std::string why = worker_->Start(); !why.empty()) {
                for (std::size_t l = 0; l < lists.size(); ++l)
                    for (std::size_t index : placed[l]) outcomes[l][index] = NotRun("not called: no worker process could start again: " + why);
                continue;
            }
        }
        const Worker::RoundResult round = worker_->RunRound(lanes);
        TakeRound(lists, placed, round, shared, next, outcomes, abandoned_);
        if (round.end == Worker::RoundEnd::Stalled) incidents_.push_back(round.words);
        if (round.end == Worker::RoundEnd::Finished && shared.restartWanted) worker_->Stop();
    }
}

}  // namespace lumi::call
