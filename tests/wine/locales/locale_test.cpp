// The user's decimal symbol and time separator, end to end: taken from the
// user's locale and from the user's own settings when the library loads,
// only one-character settings honoured, and a later change seen only after
// the library is loaded again.
//
// Registered once per LANG; the UserOverrides tests change the shared Wine
// prefix's settings and restore them. Every test loads the library itself
// (never the shared Library()), so that freeing its handle unloads it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "tests/wine/locales/regional_settings.h"
#include "tests/wine/support/text_exports.h"

namespace lumi::test {
namespace {

constexpr double kNumber = 1.5;                 // 2 decimals: 1, separator, 50
constexpr double kExponentNumber = 123456789.0;  // 2 decimals: 1, separator, 2345679E08
constexpr std::int32_t kTime = 1413709507;       // 2014-10-19 09:05:07

// The texts a freshly loaded library gives, with the separators it took.
struct SeparatorTexts {
    std::u16string number, exponentNumber, dateTimeSeconds, clock;
    bool operator==(const SeparatorTexts&) const = default;
};

std::u16string Text(const char16_t* text) { return text == nullptr ? u"<null>" : text; }

SeparatorTexts TextsOf(const TextExports& exports) {
    return {Text(exports.NumberByCalleePops(kNumber, 2)), Text(exports.NumberByCallerPops(kExponentNumber, 2)),
            Text(exports.DateTimeSeconds(kTime)), Text(exports.Clock(kTime))};
}

SeparatorTexts ExpectedTexts(char16_t decimal, char16_t time) {
    const std::u16string d(1, decimal), t(1, time);
    return {u"1" + d + u"50", u"1" + d + u"2345679E08", u"2014.10.19 9" + t + u"5" + t + u"7", u"9" + t + u"5"};
}

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }
std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

void PrintTo(const SeparatorTexts& texts, std::ostream* out) {
    *out << '"' << Narrow(texts.number) << "\", \"" << Narrow(texts.exponentNumber) << "\", \""
         << Narrow(texts.dateTimeSeconds) << "\", \"" << Narrow(texts.clock) << '"';
}

SeparatorTexts TextsOfAFreshLoad() {
    OwnedLibrary library;
    const TextExports exports(library.get());
    if (!exports.Complete()) return {};
    return TextsOf(exports);
}

// The locales the tests run under, by LANG, and what Wine 8 gives for them.
struct UserLocale {
    std::string_view lang;
    LCID id;
    char16_t decimal, time;
};

constexpr UserLocale kUserLocales[] = {
    {"en_US.UTF-8", 0x0409, u'.', u':'},
    {"de_DE.UTF-8", 0x0407, u',', u':'},
    {"fi_FI.UTF-8", 0x040B, u',', u'.'},
};

const UserLocale* CurrentUserLocale() {
    const char* lang = std::getenv("LANG");
    for (const UserLocale& locale : kUserLocales)
        if (lang != nullptr && locale.lang == lang) return &locale;
    return nullptr;
}

TEST(UserLocale, WineGivesTheLocalesSeparators) {
    const UserLocale* locale = CurrentUserLocale();
    if (locale == nullptr) GTEST_SKIP() << "LANG is none of the locales the tests know";
    // If these fail the library is not at fault: the LANG is not reaching
    // Wine (is its glibc locale generated? scripts/setup.sh makes them).
    EXPECT_EQ(GetUserDefaultLCID(), locale->id) << "LANG=" << locale->lang;
    EXPECT_EQ(UserLocaleItem(LOCALE_SDECIMAL), std::wstring(1, locale->decimal));
    EXPECT_EQ(UserLocaleItem(LOCALE_STIME), std::wstring(1, locale->time));
}

TEST(UserLocale, LibraryTakesTheSeparatorsOfTheUsersLocale) {
    const UserLocale* locale = CurrentUserLocale();
    if (locale == nullptr) GTEST_SKIP() << "LANG is none of the locales the tests know";
    EXPECT_EQ(TextsOfAFreshLoad(), ExpectedTexts(locale->decimal, locale->time)) << "LANG=" << locale->lang;
}

// The load sets the loading thread's locale to the user's default and takes
// the separators from that, whatever locale the thread had before.
TEST(UserLocale, LoadingSetsTheThreadLocaleToTheUsersDefault) {
    const UserLocale* locale = CurrentUserLocale();
    if (locale == nullptr) GTEST_SKIP() << "LANG is none of the locales the tests know";
    const LCID before = GetThreadLocale();
    const UserLocale& other = kUserLocales[locale == &kUserLocales[0] ? 2 : 0];
    ASSERT_TRUE(SetThreadLocale(other.id));

    OwnedLibrary library;
    const TextExports exports(library.get());
    ASSERT_TRUE(exports.Complete());
    EXPECT_EQ(GetThreadLocale(), GetUserDefaultLCID());
    EXPECT_EQ(TextsOf(exports), ExpectedTexts(locale->decimal, locale->time));
    SetThreadLocale(before);
}

// The cases of the user's own settings, made with SetLocaleInfoW (which
// writes HKCU\Control Panel\International).
struct Override {
    const wchar_t* decimal;
    const wchar_t* time;
    char16_t takenDecimal, takenTime;
};

constexpr Override kOverrides[] = {
    {L"#", L"-", u'#', u'-'},    // one character each: taken
    {L",", L".", u',', u'.'},
    {L",,", L"--", u'.', u':'},  // two characters: the defaults stay
    {L",", L"--", u',', u':'},   // each item on its own
    {L"##", L".", u'.', u'.'},
};

class UserOverrides : public testing::Test {
protected:
    void SetUp() override {
        const UserLocale* locale = CurrentUserLocale();
        if (locale == nullptr || locale->id != kUserLocales[0].id) GTEST_SKIP() << "run under LANG=en_US.UTF-8";
    }
    RegionalSettingsGuard guard_;
};

TEST_F(UserOverrides, OneCharacterSettingsAreTakenLongerOnesLeaveTheDefaults) {
    for (const Override& override : kOverrides) {
        ASSERT_TRUE(SetSeparators(override.decimal, override.time));
        EXPECT_EQ(ReadRegionalValues().decimal, std::wstring(override.decimal)) << "not in the registry";
        EXPECT_EQ(TextsOfAFreshLoad(), ExpectedTexts(override.takenDecimal, override.takenTime))
            << "sDecimal \"" << Narrow(override.decimal) << "\", time separator \"" << Narrow(override.time) << '"';
    }
}

TEST_F(UserOverrides, AChangeWhileLoadedIsSeenOnlyAfterTheNextLoad) {
    const SeparatorTexts defaults = ExpectedTexts(u'.', u':');
    const SeparatorTexts changed = ExpectedTexts(u'#', u'-');
    OwnedLibrary library;
    const TextExports exports(library.get());
    ASSERT_TRUE(exports.Complete());
    ASSERT_EQ(TextsOf(exports), defaults);

    ASSERT_TRUE(SetSeparators(L"#", L"-"));
    EXPECT_EQ(TextsOf(exports), defaults) << "the loaded library saw the change";
    library.Free();
    ASSERT_FALSE(LibraryIsMapped());
    EXPECT_EQ(TextsOfAFreshLoad(), changed) << "the next load did not see the change";
}

// A copy of this program, started to run one test and print its output.
std::string RunChild(const std::string& test) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "no pipe";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = std::string("\"") + path + "\" --gtest_also_run_disabled_tests --gtest_filter=" + test;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    char chunk[4096];
    DWORD got;
    while (started && ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    CloseHandle(readEnd);
    if (!started) return "not started";
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return output;
}

constexpr char kTextsMark[] = "texts: ";

// Run by the test below in a process of its own.
TEST(RegistryChild, DISABLED_PrintsTheTextsOfAFreshLoad) {
    const SeparatorTexts texts = TextsOfAFreshLoad();
    std::cout << kTextsMark;
    PrintTo(texts, &std::cout);
    std::cout << std::endl;
}

// The way a user's setting usually arrives: in the registry before the host
// starts. Wine reads the time separator from the time format.
TEST_F(UserOverrides, SettingsInTheRegistryWhenTheProcessStartsAreTaken) {
    WriteRegionalValues({L"#", L"-", L"h-mm-ss tt"});
    const std::string output = RunChild("RegistryChild.DISABLED_PrintsTheTextsOfAFreshLoad");
    std::ostringstream want;
    want << kTextsMark;
    PrintTo(ExpectedTexts(u'#', u'-'), &want);
    EXPECT_NE(output.find(want.str()), std::string::npos) << output;
}

}  // namespace
}  // namespace lumi::test
