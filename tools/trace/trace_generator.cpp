#include "tools/trace/trace_generator.h"

#include <bit>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "boundary/trace_format.h"
#include "catalogue/catalogue.h"
#include "catalogue/describe.h"

namespace lumi::trace {
namespace {

namespace fmt = format;

constexpr std::uint32_t kThreads = 3;
constexpr std::uint64_t kTicksPerSecond = 10000000;  // a 10 MHz clock, as QueryPerformanceCounter's often is

class LineText {
public:
    LineText& Put(std::string_view text) { return text_.append(text), *this; }
    LineText& Put(char c) { return text_ += c, *this; }
    LineText& Decimal(std::uint64_t value) {
        char digits[fmt::kMaxDecimalBytes];
        return Put(std::string_view(digits, fmt::WriteDecimal(value, digits)));
    }
    LineText& Hex(std::uint64_t value, std::size_t digits) {
        for (std::size_t i = digits; i-- > 0;) Put(fmt::kHexDigits[(value >> (4 * i)) & 0xF]);
        return *this;
    }
    LineText& Text(std::u16string_view units) {
        Put(fmt::kQuote);
        char escaped[fmt::kMaxEscapedUnit];
        for (char16_t unit : units) Put(std::string_view(escaped, fmt::EscapeUnit(unit, escaped)));
        return Put(fmt::kQuote);
    }
    LineText& HexFloat(std::uint64_t bits) {
        char text[fmt::kMaxHexFloatBytes];
        return Put(std::string_view(text, fmt::WriteHexFloat(bits, text)));
    }
    std::string& Str() { return text_; }

private:
    std::string text_;
};

constexpr std::u16string_view kTexts[] = {u"Attempt to Open Buy @", u"Error Modify Order, err: ", u"L1", u"Sell \u00E9"};

void CallLine(LineText& line, const ExportEntry& entry, std::uint64_t seq, std::uint32_t thread, std::uint64_t ticks) {
    line.Put(fmt::kCallWord).Put(' ').Decimal(seq).Put(' ').Decimal(1000 + thread).Put(' ').Decimal(ticks).Put(' ');
    line.Put(entry.code).Put(' ').Hex(0x00401000 + 16 * (seq % 64), 8).Put(' ').Hex(0x037F, 4);
    const int slots = SlotsToPush(entry);
    for (int k = 0; k < slots; ++k) line.Put(' ').Hex(static_cast<std::uint32_t>(seq * 2654435761u + static_cast<unsigned>(k)), 8);
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[static_cast<std::size_t>(i)];
        if (input.kind != ValueKind::Text) continue;
        line.Put(' ').Put(fmt::kTextSlotWord).Decimal(static_cast<std::uint64_t>(input.slot)).Put(fmt::kTextSlotEquals);
        line.Text(kTexts[(seq + static_cast<std::uint64_t>(i)) % std::size(kTexts)]);
    }
    line.Put('\n');
}

void ResultLine(LineText& line, const ExportEntry& entry, std::uint64_t seq) {
    line.Put(fmt::kRetWord).Put(' ').Decimal(seq).Put(' ');
    const auto eax = static_cast<std::uint32_t>(seq % 1000);
    switch (entry.result) {
        case ValueKind::Double: {
            const std::uint64_t bits = std::bit_cast<std::uint64_t>(1.0 + static_cast<double>(seq % 100000) / 7.0);
            line.Put(fmt::ResultKindName(fmt::ResultKind::Double)).Put(' ').Hex(bits, fmt::kDoubleDigits).Put(' ').HexFloat(bits);
            break;
        }
        case ValueKind::Text:
            line.Put(fmt::ResultKindName(fmt::ResultKind::Text)).Put(' ').Hex(0x70B00000 + 64 * (seq % 4), 8).Put(' ');
            line.Text(kTexts[seq % std::size(kTexts)]);
            break;
        case ValueKind::Word:
            line.Put(fmt::ResultKindName(fmt::ResultKind::Word)).Put(' ').Hex(eax, 8).Put(' ').Decimal(eax);
            break;
        default:
            line.Put(fmt::ResultKindName(fmt::ResultKind::Integer)).Put(' ').Hex(eax, 8).Put(' ').Decimal(eax);
    }
    line.Put('\n');
}

std::string HeaderText(int version) {
    LineText line;
    line.Put(fmt::kMagic).Put(' ').Decimal(static_cast<std::uint64_t>(version)).Put('\n');
    for (const fmt::HeaderLine& header : fmt::kHeaderLines) {
        if (header.sinceVersion > version) continue;
        line.Put(header.name).Put(' ');
        switch (header.key) {
            case fmt::HeaderKey::DllVersion: line.Put("1.2.0"); break;
            case fmt::HeaderKey::DllPath: line.Text(u"C:\\terminal\\lumivextaran.dll"); break;
            case fmt::HeaderKey::HostPath: line.Text(u"C:\\terminal\\terminal.exe"); break;
            case fmt::HeaderKey::HostPid: line.Decimal(4242); break;
            case fmt::HeaderKey::LoadTime: line.Put("2026-12-09T04:20:00.123Z"); break;
            case fmt::HeaderKey::TicksPerSecond: {
                const std::string digits = std::to_string(kTicksPerSecond);
                line.Put(std::string(fmt::kTicksPerSecondDigits - digits.size(), '0') + digits);
                break;
            }
            case fmt::HeaderKey::DecimalSeparator: line.Text(u"."); break;
            case fmt::HeaderKey::TimeSeparator: line.Text(u":"); break;
            case fmt::HeaderKey::TextBound: line.Decimal(fmt::kTextBound); break;
            case fmt::HeaderKey::SizeBound: line.Decimal(fmt::kDefaultSizeBound); break;
            case fmt::HeaderKey::Wrapped: line.Put(std::string(fmt::kWrappedDigits, '0')); break;
        }
        line.Put('\n');
    }
    return line.Put(fmt::kHeaderEnd).Put('\n').Str();
}

}  // namespace

GeneratedTrace WriteGeneratedTrace(const std::string& path, std::uint64_t bytes, int version) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path);
    const auto rows = Catalogue();
    std::vector<std::uint64_t> callsOf(rows.size());
    GeneratedTrace made{0, 0, kThreads};
    LineText text;
    text.Put(HeaderText(version));
    const std::uint64_t ticksPerCall = version >= fmt::kVersionTicks ? 37 : 4;  // some 270 000 calls a second
    // Each thread's call line, then the next thread's, then their results:
    // lines of different calls interleave as they do when threads race.
    for (std::uint64_t seq = 1; made.bytes + text.Str().size() < bytes; seq += kThreads) {
        for (std::uint64_t t = 0; t < kThreads; ++t) {
            const std::size_t row = (seq + t) * 7 % rows.size();
            CallLine(text, rows[row], seq + t, static_cast<std::uint32_t>(t), (seq + t) * ticksPerCall);
        }
        for (std::uint64_t t = 0; t < kThreads; ++t) {
            const std::size_t row = (seq + t) * 7 % rows.size();
            ResultLine(text, rows[row], seq + t);
            ++callsOf[row];
        }
        made.calls += kThreads;
        if (text.Str().size() >= (1u << 20)) {
            made.bytes += std::fwrite(text.Str().data(), 1, text.Str().size(), file);
            text.Str().clear();
        }
    }
    text.Put(fmt::kSummaryWord).Put('\n');
    for (std::size_t row = 0; row < rows.size(); ++row)
        if (callsOf[row] > 0) text.Put(fmt::kCallsWord).Put(' ').Put(rows[row].code).Put(' ').Decimal(callsOf[row]).Put('\n');
    text.Put(fmt::kTotalWord).Put(' ').Decimal(made.calls).Put('\n').Put(fmt::kEndWord).Put('\n');
    made.bytes += std::fwrite(text.Str().data(), 1, text.Str().size(), file);
    if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + path);
    return made;
}

}  // namespace lumi::trace
