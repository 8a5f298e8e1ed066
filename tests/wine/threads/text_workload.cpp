#include "tests/wine/threads/text_workload.h"

#include <array>
#include <limits>

#include "tests/wine/support/time_oracle.h"

namespace lumi::test {
namespace {

constexpr int kExports = 4;
constexpr int kMaxStreams = 64;          // streams interleave their arguments
constexpr std::int64_t kTimeStep = 4201;
constexpr std::int64_t kTimesInRange = 1'000'000;  // kTimesInRange x kTimeStep < 2^32
constexpr std::int64_t kQuartersInRange = 3'999'999;  // below 10^6: 6 + 2 digits, no rounding
constexpr std::size_t kFaultsKept = 10;

std::u16string QuarterText(std::int64_t quarters, char16_t decimal) {
    constexpr int kCentsPerQuarter = 25;
    const std::int64_t magnitude = quarters < 0 ? -quarters : quarters;
    std::u16string text = quarters < 0 ? u"-" : u"";
    text += PaddedDecimal(static_cast<unsigned>(magnitude / 4), 1);
    text += decimal;
    text += PaddedDecimal(static_cast<unsigned>(magnitude % 4 * kCentsPerQuarter), 2);
    return text;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

}  // namespace

WorkloadCall WorkloadCall::Make(int stream, std::int64_t index) {
    const std::int64_t serial = index * kMaxStreams + stream;
    WorkloadCall call{};
    call.which = static_cast<Export>(index % kExports);
    // Never zero, negative in odd streams.
    call.quarters = (serial % kQuartersInRange + 1) * (stream % 2 == 0 ? 1 : -1);
    call.time = static_cast<std::int32_t>(std::numeric_limits<std::int32_t>::min() + serial % kTimesInRange * kTimeStep);
    return call;
}

const char16_t* WorkloadCall::Run(const TextExports& exports) const {
    constexpr std::int32_t kDecimals = 2;
    const double value = static_cast<double>(quarters) / 4;
    switch (which) {
        case Export::CalleePopsNumber: return exports.NumberByCalleePops(value, kDecimals);
        case Export::CallerPopsNumber: return exports.NumberByCallerPops(value, kDecimals);
        case Export::DateTimeSeconds: return exports.DateTimeSeconds(time);
        case Export::Clock: return exports.Clock(time);
    }
    return nullptr;
}

std::u16string WorkloadCall::Expected(Separators separators) const {
    switch (which) {
        case Export::CalleePopsNumber:
        case Export::CallerPopsNumber: return QuarterText(quarters, separators.decimal);
        case Export::DateTimeSeconds: return OracleTimeText(time, TimeForm::DateTimeSeconds, separators.time);
        case Export::Clock: return OracleTimeText(time, TimeForm::Clock, separators.time);
    }
    return u"";
}

std::string WorkloadCall::Name() const {
    const bool number = which == Export::CalleePopsNumber || which == Export::CallerPopsNumber;
    return number ? "number " + std::to_string(quarters) + "/4" : "time " + std::to_string(time);
}

std::vector<std::string> RunWorkload(const TextExports& exports, Separators separators, int stream,
                                     std::int64_t calls) {
    struct Kept {
        const char16_t* text = nullptr;
        std::u16string content;
        std::int64_t index = 0;
    };
    std::array<Kept, kTextsKeptBack> kept;
    std::vector<std::string> faults;
    std::int64_t faultCount = 0;
    auto fault = [&](std::string what) {
        if (faults.size() < kFaultsKept) faults.push_back("stream " + std::to_string(stream) + ": " + std::move(what));
        ++faultCount;
    };
    for (std::int64_t index = 0; index < calls; ++index) {
        const WorkloadCall call = WorkloadCall::Make(stream, index);
        const char16_t* text = call.Run(exports);
        const std::u16string expected = call.Expected(separators);
        if (text == nullptr || expected != text)
            fault("call " + std::to_string(index) + " (" + call.Name() + ") gave " +
                  (text == nullptr ? std::string("null") : Narrow(text)) + ", want " + Narrow(expected));
        for (const Kept& back : kept) {
            if (back.text == nullptr) continue;
            if (back.text == text) fault("call " + std::to_string(index) + " reused the text of call " + std::to_string(back.index));
            else if (back.content != back.text)
                fault("text of call " + std::to_string(back.index) + " changed to " + Narrow(back.text) + " by call " +
                      std::to_string(index));
        }
        kept[index % kTextsKeptBack] = {text, text == nullptr ? u"" : std::u16string(text), index};
    }
    if (faultCount > static_cast<std::int64_t>(faults.size()))
        faults.push_back("stream " + std::to_string(stream) + ": " + std::to_string(faultCount) + " faults in all");
    return faults;
}

}  // namespace lumi::test
