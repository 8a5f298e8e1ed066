// What verify, compare and replay share: findings said as they come and
// kept for the report, broken contracts and differences met over many
// calls, the report file, and the separators a DLL's own texts show.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tools/lumicall/judging/output.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call {

// Said lines go to the console at once and are kept for the report.
class Findings {
public:
    void Say(const std::string& text);
    void Fail(std::string_view code, std::string what) { failures_.push_back(std::string(code) + "  " + what); }
    void FailAll(const std::vector<std::string>& failures) { failures_.insert(failures_.end(), failures.begin(), failures.end()); }
    std::size_t FailureCount() const { return failures_.size(); }
    // The failures are listed as not the DLL's to answer for, and why.
    void Excuse(std::string why) { excuse_ = std::move(why); }
    // Said on the console and written to the report in different lengths.
    void Say(const std::string& console, const std::string& report);

    // The failures (the first `shown` of them) and the verdict; `command`
    // names the command whose --report writes them all.
    std::string Ending(std::size_t shown, const std::string& verdict, std::string_view command = "verify") const;
    const std::string& Said() const { return said_; }

private:
    std::string said_;
    std::vector<std::string> failures_;
    std::string excuse_;
};

// What many calls of an export broke or answered otherwise, kept within
// bounds: each distinct breach of an export once, with the call it was
// first seen in and how often; the first few differences of each export,
// the rest counted.
class CallLog {
public:
    static constexpr std::size_t kBreachesKeptPerExport = 10;
    static constexpr std::size_t kDifferencesKeptPerExport = 100;

    // `where` says which call it was, asked only for what is kept.
    void NoteBreaches(std::string_view code, const std::vector<std::string>& breaches,
                      const std::function<std::string()>& where);
    void NoteDifference(std::string_view code, const std::function<std::string()>& words);

    std::size_t Differences() const;
    std::size_t ExportsDiffering() const { return differencesOf_.size(); }
    std::size_t ExportsBreaking() const { return breachesOf_.size(); }
    std::size_t BreakingCalls() const { return breakingCalls_; }

    // "CODE  <who> broke its contract: ..., first <where> (N calls)".
    std::vector<std::string> BreachLines(std::string_view who) const;
    // Each kept difference, then "CODE  and N more ..." for each export.
    std::vector<std::string> DifferenceLines() const;

private:
    struct Seen {
        std::string first;
        std::size_t times = 0;
    };
    std::map<std::pair<std::string_view, std::string>, Seen> breaches_;
    std::map<std::string_view, std::size_t> breachesOf_;  // distinct breaches per export
    std::size_t breakingCalls_ = 0;
    std::map<std::string_view, std::size_t> differencesOf_;
    std::vector<std::string> differences_;
};

// "  label          text": one line of a summary, labels in one column.
std::string Line(std::string_view label, const std::string& text);

class ReportFile {
public:
    // Opened (and emptied) before any work, so a path that cannot be written
    // stops the command at once.
    explicit ReportFile(const std::string& path);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    bool Wanted() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Write(const std::string& text) const;

private:
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

std::string SeparatorWords(char16_t separator);

// "<who> N of M exports: CODE ...", e.g. "does not export 2 of 275 exports: ...".
std::string MissingCodes(const std::string& whoLacks, const std::vector<std::string_view>& missing);

struct Observed {
    std::optional<char16_t> decimal, time;
    std::string decimalText, timeText;  // what the DLL answered
};

// The separators of the DLL's load-time snapshot, read back from its texts:
// 1.5 with one decimal, and time 0 by "h:n".
Observed ObservedSeparators(Target& target, std::mt19937& random);

std::string ObservedWords(const std::optional<char16_t>& separator, const std::string& answered);

}  // namespace lumi::call
