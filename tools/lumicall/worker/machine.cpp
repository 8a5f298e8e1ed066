#include "tools/lumicall/worker/machine.h"

#include <bcrypt.h>
#include <cpuid.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "tools/lumicall/worker/system.h"

namespace lumi::call {
namespace {

constexpr LCID kFallbackLocale = 0x0409;      // en-US, when the thread has none
constexpr unsigned kBrandLeaves = 0x80000004;  // cpuid leaves 0x80000002..4 hold the brand text
constexpr LONGLONG kLargestFile = 256 << 20;   // far above any build of the library

// A locale item in full; none when the locale has no such item.
std::optional<std::u16string> LocaleItem(LCID locale, LCTYPE item) {
    wchar_t buffer[80] = {};
    const int units = GetLocaleInfoW(locale, item, buffer, static_cast<int>(std::size(buffer)));
    if (units <= 0) return std::nullopt;
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), units - 1);
}

// What a load takes from an item: a one-unit item (an empty one gives the
// unit 0); the default for a missing item or a longer one.
char16_t TakenSeparator(const std::optional<std::u16string>& item, char16_t fallback) {
    if (!item || item->size() > 1) return fallback;
    return item->empty() ? u'\0' : (*item)[0];
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    const HANDLE handle = CreateFileW(Widened(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot load " + path + ": " + WindowsErrorText(GetLastError()));
    const std::unique_ptr<void, HandleCloser> file(handle);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size) || size.QuadPart > kLargestFile)
        throw std::runtime_error("cannot read " + path + ": it is not a file of a DLL's size");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        throw std::runtime_error("cannot read " + path + ": " + WindowsErrorText(GetLastError()));
    return bytes;
}

std::string Sha256Hex(std::span<const std::uint8_t> bytes) {
    std::uint8_t digest[32] = {};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    const bool done = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0;
    BCRYPT_HASH_HANDLE hash = nullptr;
    const bool hashed = done && BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
                        BCryptHashData(hash, const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()), 0) == 0 &&
                        BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!hashed) return "(the system offers no SHA-256)";
    std::string hex;
    for (std::uint8_t byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

std::string WindowsVersionWords() {
    // GetVersionEx answers what the program's manifest lets it see; the
    // kernel's own call answers the truth.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    using WineVersionFunction = const char*(CDECL*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto getVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    std::string words = "unknown";
    if (getVersion != nullptr && getVersion(&info) == 0)
        words = std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + " (build " +
                std::to_string(info.dwBuildNumber) + ")";
    const auto wineVersion = reinterpret_cast<WineVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    if (wineVersion != nullptr) words += ", Wine " + std::string(wineVersion());
    return words;
}

std::string ProcessorWords() {
    unsigned brand[12] = {};
    unsigned highest = __get_cpuid_max(0x80000000, nullptr);
    std::string words = "unknown processor";
    if (highest >= kBrandLeaves) {
        for (unsigned leaf = 0; leaf < 3; ++leaf)
            __get_cpuid(0x80000002 + leaf, &brand[4 * leaf], &brand[4 * leaf + 1], &brand[4 * leaf + 2],
                        &brand[4 * leaf + 3]);
        char text[sizeof brand + 1] = {};
        std::memcpy(text, brand, sizeof brand);
        words = text;
        words.erase(0, words.find_first_not_of(' '));
    }
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return words + ", " + std::to_string(system.dwNumberOfProcessors) + " logical processors";
}

std::uint16_t ControlWordNow() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

LocaleSeparators LocaleSeparatorsNow() {
    // The same steps as a load: this thread takes the user's default locale.
    SetThreadLocale(LOCALE_USER_DEFAULT);
    LCID locale = GetThreadLocale();
    if (locale == 0) locale = kFallbackLocale;
    if (!IsValidLocale(locale, LCID_INSTALLED)) locale = GetThreadLocale();
    LocaleSeparators separators;
    separators.locale = locale;
    const auto decimal = LocaleItem(locale, LOCALE_SDECIMAL), time = LocaleItem(locale, LOCALE_STIME);
    separators.decimalItem = decimal;
    separators.timeItem = time;
    separators.decimal = TakenSeparator(decimal, u'.');
    separators.time = TakenSeparator(time, u':');
    return separators;
}

}  // namespace lumi::call
