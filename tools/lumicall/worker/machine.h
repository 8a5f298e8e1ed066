// What `lumicall verify` reports about the machine and the file it checks:
// the file's bytes and SHA-256, the Windows version, the processor, and the
// separators the user's locale gives now.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumi::call {

// The whole file; a std::runtime_error with the system's reason when it
// cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Lower-case hexadecimal, 64 digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

// "10.0 (build 19045)", and ", Wine 8.0" where Wine says so.
std::string WindowsVersionWords();

// "Intel(R) Xeon(R) Processor, 2 logical processors".
std::string ProcessorWords();

// The x87 control word of the calling thread.
std::uint16_t ControlWordNow();

// The decimal and time separators a library loading now would take: the
// user's default locale made the thread's, then each item's one unit (0 for
// an empty item), or "." and ":" when an item is missing or longer.
struct LocaleSeparators {
    LCID locale = 0;
    std::optional<std::u16string> decimalItem, timeItem;  // as the locale gives them; none if missing
    char16_t decimal = u'.', time = u':';  // what a load takes from them
};

LocaleSeparators LocaleSeparatorsNow();

}  // namespace lumi::call
