// The tracing build's recorder (docs/trace-format.md gives the file).
//
// Every line is formatted on the calling thread's stack, then copied into
// the mapped window under a short spin lock: records never interleave, and
// the lock is held only for a copy (and, once per MiB, for mapping the next
// window). The first call opens the file, so nothing at load touches it.
#include "boundary/trace_recorder.h"

#include <windows.h>

#include <charconv>
#include <cstddef>
#include <cstring>

#include "boundary/locale_snapshot.h"

namespace lumi::trace {

// The rows, in table order (catalogue/exports.cpp).
extern Row* const kRows[];
extern const std::size_t kRowCount;

namespace {

static_assert(offsetof(Row, words) == 4 && offsetof(Row, popBytes) == 8 && offsetof(Row, body) == 16,
              "boundary/trace_enter.S reads these offsets");

constexpr std::uint32_t kWindowBytes = 1u << 20;         // mapped at a time
constexpr std::uint32_t kDefaultBound = 256u << 20;      // bytes on disk per load
constexpr std::uint32_t kSmallestBound = 64u << 10;
constexpr std::uint32_t kSummaryReserve = 16u << 10;     // 275 "calls" lines fit
constexpr std::uint32_t kTextBound = 256;                // units of a text
constexpr std::uint32_t kPathBound = 1024;               // units of a path in the header
constexpr std::size_t kLineBytes = 3584;                 // the longest record line fits
constexpr std::size_t kHeaderBytes = 16384;
constexpr std::size_t kX87Registers = 28;                // ST(0) in fnsave's image
constexpr DWORD kPathUnits = 1024;
constexpr int kNameAttempts = 9;                         // same second, same process

constexpr char kHex[] = "0123456789ABCDEF";

// ---- Memory a text may be read from ---------------------------------------------

// The end of the readable region holding `address`, or 0 when it cannot be
// read. Regions once found are kept in a few cells (the host's texts sit in
// a handful of heap regions), so most texts cost no query: a cell is one
// 64-bit word, base and end in pages, written and read whole (this runs
// between fnsave and frstor, where the x87 moves of 64-bit atomics are fine).
constexpr std::uint32_t kPageBits = 12;
constexpr int kRegionCells = 8;
std::uint64_t gRegions[kRegionCells] = {};
volatile LONG gNextRegion = 0;

std::uintptr_t ReadableEnd(std::uintptr_t address) {
    const std::uint32_t page = static_cast<std::uint32_t>(address >> kPageBits);
    for (std::uint64_t& cell : gRegions) {
        const std::uint64_t region = __atomic_load_n(&cell, __ATOMIC_RELAXED);
        const auto base = static_cast<std::uint32_t>(region), end = static_cast<std::uint32_t>(region >> 32);
        if (page >= base && page < end) return static_cast<std::uintptr_t>(end) << kPageBits;
    }
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) != sizeof info) return 0;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (info.State != MEM_COMMIT || (info.Protect & kReadable) == 0 || (info.Protect & PAGE_GUARD) != 0) return 0;
    const auto base = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
    const std::uint64_t end = static_cast<std::uint64_t>(base) + info.RegionSize;
    const std::uint64_t region = (end >> kPageBits) << 32 | (base >> kPageBits);
    __atomic_store_n(&gRegions[static_cast<std::uint32_t>(InterlockedIncrement(&gNextRegion)) % kRegionCells], region,
                     __ATOMIC_RELAXED);
    return static_cast<std::uintptr_t>(end > UINTPTR_MAX ? UINTPTR_MAX : end);
}

// Whether the search would find readable memory up to the text's end or
// `bound` + 1 units, whichever comes first (what the trace reads of it).
bool ReadableText(const char16_t* units, std::uint32_t bound) {
    auto at = reinterpret_cast<std::uintptr_t>(units);
    std::uintptr_t end = ReadableEnd(at);
    if (end == 0) return false;
    for (std::uint32_t i = 0; i <= bound; ++i, at += sizeof(char16_t)) {
        if (at + sizeof(char16_t) > end) {  // the unit reaches into the next region
            end = ReadableEnd(end);
            if (end == 0) return false;
        }
        if (*reinterpret_cast<const char16_t*>(at) == 0) return true;
    }
    return true;
}

// ---- Text of a line, built in place -------------------------------------------

class Line {
public:
    Line(char* buffer, std::size_t capacity) : begin_(buffer), end_(buffer + capacity), at_(buffer) {}

    Line& Put(const char* text) {
        while (*text != 0 && at_ < end_) *at_++ = *text++;
        return *this;
    }
    Line& Put(char c) {
        if (at_ < end_) *at_++ = c;
        return *this;
    }
    Line& Hex(std::uint64_t value, int digits) {
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) Put(kHex[(value >> shift) & 0xF]);
        return *this;
    }
    Line& Decimal(std::uint64_t value) {
        char digits[20];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) Put(digits[--count]);
        return *this;
    }
    Line& Signed(std::int32_t value) {
        if (value < 0) Put('-');
        return Decimal(value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value));
    }
    // Escaped, at most `bound` units, '+' when more follow.
    Line& Text(const char16_t* units, std::uint32_t bound) {
        if (units == nullptr) return Put("null");
        Put('"');
        std::uint32_t i = 0;
        for (; i < bound && units[i] != 0; ++i) {
            const char16_t unit = units[i];
            if (unit == u'"' || unit == u'\\') {
                Put('\\').Put(static_cast<char>(unit));
            } else if (unit >= 0x20 && unit <= 0x7E) {
                Put(static_cast<char>(unit));
            } else {
                Put("\\u").Hex(unit, 4);
            }
        }
        Put('"');
        if (i == bound && units[i] != 0) Put('+');
        return *this;
    }
    // C99's hexadecimal form of a double ("0x1.8p+0"): exact, and integer work only.
    Line& HexFloat(std::uint64_t bits) {
        constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
        const int exponent = static_cast<int>(bits >> 52) & 0x7FF;
        std::uint64_t fraction = bits & kFraction;
        if (bits >> 63) Put('-');
        if (exponent == 0x7FF) return Put(fraction != 0 ? "nan" : "inf");
        if (exponent == 0 && fraction == 0) return Put("0x0p+0");
        Put(exponent == 0 ? "0x0" : "0x1");
        if (fraction != 0) {
            Put('.');
            int digits = 13;
            while ((fraction & 0xF) == 0) fraction >>= 4, --digits;
            Hex(fraction, digits);
        }
        const int power = exponent == 0 ? -1022 : exponent - 1023;
        Put('p').Put(power < 0 ? '-' : '+');
        return Decimal(static_cast<std::uint32_t>(power < 0 ? -power : power));
    }
    const char* Data() const { return begin_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(at_ - begin_); }
    bool Full() const { return at_ == end_; }

private:
    char* begin_;
    char* end_;
    char* at_;
};

// ---- What load notes -------------------------------------------------------------

HMODULE gModule = nullptr;
FILETIME gLoadTime = {};
SYSTEMTIME gLoadLocal = {};
LARGE_INTEGER gLoadTicks = {};
LARGE_INTEGER gTicksPerSecond = {};

std::uint64_t MicrosSinceLoad() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::uint64_t ticks = static_cast<std::uint64_t>(now.QuadPart - gLoadTicks.QuadPart);
    const std::uint64_t perSecond = static_cast<std::uint64_t>(gTicksPerSecond.QuadPart);
    if (perSecond == 0) return 0;
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}

// Said once: the first reason the trace is not written. Noted where it
// happens and said only once no lock is held and the file's state is
// settled: OutputDebugString raises an exception, and a host's handler of
// it may call an export.
const wchar_t* volatile gReason = nullptr;
DWORD gReasonError = 0;
volatile LONG gToldOnce = 0;

void NoteReason(const wchar_t* what, DWORD error) {
    if (gReason != nullptr) return;
    gReasonError = error;
    gReason = what;
}

void TellReason() {
    const wchar_t* what = gReason;
    if (what == nullptr || InterlockedExchange(&gToldOnce, 1) != 0) return;
    DWORD error = gReasonError;
    wchar_t message[512] = L"lumivextaran.dll (tracing build): ";
    std::size_t at = wcslen(message);
    for (const wchar_t* p = what; *p != 0 && at < 480; ++p) message[at++] = *p;
    const wchar_t* tail = L"; the exports answer as usual, untraced (error ";
    for (const wchar_t* p = tail; *p != 0 && at < 500; ++p) message[at++] = *p;
    wchar_t digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + error % 10);
        error /= 10;
    } while (error != 0 && count < 11);
    while (count > 0 && at < 508) message[at++] = digits[--count];
    message[at++] = L')';
    message[at++] = L'\n';
    message[at] = 0;
    OutputDebugStringW(message);
}

// ---- The file --------------------------------------------------------------------

class TraceFile {
public:
    bool Open();
    void Write(const char* bytes, std::uint32_t size);
    void Close(bool processExit);

    void Lock(bool bounded = false) {
        for (unsigned spins = 0; InterlockedExchange(&lock_, 1) != 0; ++spins) {
            if (bounded && spins > 20000) return;  // a thread that died holding it
            if (spins < 64) {
                YieldProcessor();
            } else {
                Sleep(spins < 2000 ? 0 : 1);
            }
        }
    }
    void Unlock() { InterlockedExchange(&lock_, 0); }

private:
    bool Create(const wchar_t* folder, DWORD& error);
    void Fail(const wchar_t* what);
    char* Bytes(std::uint32_t offset, std::uint32_t& available);
    void Put(std::uint32_t offset, const char* bytes, std::uint32_t size);
    void Fill(std::uint32_t offset, char byte, std::uint32_t size);
    std::uint32_t HeaderText(Line& line);

    volatile LONG lock_ = 0;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool broken_ = false;
    std::uint32_t bound_ = kDefaultBound;
    std::uint32_t allocated_ = 0;  // bytes the file holds on disk
    std::uint32_t areaStart_ = 0;
    std::uint32_t areaBytes_ = 0;
    std::uint32_t cursor_ = 0;     // in the area
    std::uint32_t wraps_ = 0;
    std::uint32_t wrapsField_ = 0;  // offset of its ten digits
    char* view_ = nullptr;
    std::uint32_t viewStart_ = 0;
    std::uint32_t viewBytes_ = 0;
};

TraceFile gTrace;

void TraceFile::Fail(const wchar_t* what) {
    if (!broken_) NoteReason(what, GetLastError());
    broken_ = true;
}

// The mapped bytes at `offset` (mapping its window first), and how many
// follow in the window; null once the file is broken.
char* TraceFile::Bytes(std::uint32_t offset, std::uint32_t& available) {
    if (broken_) return nullptr;
    if (view_ == nullptr || offset < viewStart_ || offset >= viewStart_ + viewBytes_) {
        if (view_ != nullptr) UnmapViewOfFile(view_);
        view_ = nullptr;
        const std::uint32_t start = offset / kWindowBytes * kWindowBytes;
        const std::uint32_t end = start + kWindowBytes < bound_ ? start + kWindowBytes : bound_;
        // Written, not merely extended: a full disk shows here, not as a
        // fault when a mapped page is first stored to.
        static char zeros[64 << 10];  // in .bss: no 64 KiB in the file
        while (allocated_ < end) {
            const DWORD chunk = end - allocated_ < sizeof zeros ? end - allocated_ : sizeof zeros;
            DWORD written = 0;
            LARGE_INTEGER at;
            at.QuadPart = allocated_;
            if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) ||
                !WriteFile(file_, zeros, chunk, &written, nullptr) || written != chunk) {
                Fail(L"the trace stops here: the disk takes no more");
                return nullptr;
            }
            allocated_ += chunk;
        }
        HANDLE mapping = CreateFileMappingW(file_, nullptr, PAGE_READWRITE, 0, end, nullptr);
        if (mapping == nullptr) {
            Fail(L"the trace stops here: its file cannot be mapped");
            return nullptr;
        }
        view_ = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, start, end - start));
        CloseHandle(mapping);  // the view keeps it
        if (view_ == nullptr) {
            Fail(L"the trace stops here: no address space for its window");
            return nullptr;
        }
        viewStart_ = start;
        viewBytes_ = end - start;
    }
    available = viewStart_ + viewBytes_ - offset;
    return view_ + (offset - viewStart_);
}

void TraceFile::Put(std::uint32_t offset, const char* bytes, std::uint32_t size) {
    while (size > 0) {
        std::uint32_t available = 0;
        char* to = Bytes(offset, available);
        if (to == nullptr) return;
        const std::uint32_t part = size < available ? size : available;
        std::memcpy(to, bytes, part);
        offset += part;
        bytes += part;
        size -= part;
    }
}

void TraceFile::Fill(std::uint32_t offset, char byte, std::uint32_t size) {
    while (size > 0) {
        std::uint32_t available = 0;
        char* to = Bytes(offset, available);
        if (to == nullptr) return;
        const std::uint32_t part = size < available ? size : available;
        std::memset(to, byte, part);
        offset += part;
        size -= part;
    }
}

// One record line (the lock held). At the bound the area wraps: its end
// becomes a line of spaces, and what a new line leaves of an old one is
// blanked, so the file only ever holds whole lines.
void TraceFile::Write(const char* bytes, std::uint32_t size) {
    if (broken_ || size > areaBytes_) return;
    if (cursor_ + size > areaBytes_) {
        const std::uint32_t gap = areaBytes_ - cursor_;
        if (gap > 0) {
            Fill(areaStart_ + cursor_, ' ', gap - 1);
            Put(areaStart_ + areaBytes_ - 1, "\n", 1);
        }
        cursor_ = 0;
        ++wraps_;
        char digits[10];
        std::uint32_t value = wraps_;
        for (int i = 9; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
        Put(wrapsField_, digits, sizeof digits);
    }
    const std::uint32_t at = areaStart_ + cursor_;
    bool endsOnOldLine = true;
    if (wraps_ > 0) {
        std::uint32_t available = 0;
        const char* last = Bytes(at + size - 1, available);
        endsOnOldLine = last == nullptr || *last == '\n';
    }
    Put(at, bytes, size);
    cursor_ += size;
    if (!endsOnOldLine) {
        for (std::uint32_t o = at + size; o < areaStart_ + areaBytes_; ++o) {
            std::uint32_t available = 0;
            char* old = Bytes(o, available);
            if (old == nullptr || *old == '\n' || *old == 0) break;
            *old = ' ';
        }
    }
}

bool TraceFile::Create(const wchar_t* folder, DWORD& error) {
    wchar_t path[kPathUnits + 64];
    std::size_t length = wcslen(folder);
    if (length == 0 || length > kPathUnits) {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    wcscpy(path, folder);
    if (path[length - 1] != L'\\' && path[length - 1] != L'/') path[length++] = L'\\';
    const SYSTEMTIME& t = gLoadLocal;
    for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
        wchar_t* name = path + length;
        const wchar_t* prefix = L"lumivextaran-trace-";
        while (*prefix != 0) *name++ = *prefix++;
        auto digits = [&name](unsigned value, int count) {
            for (int i = count - 1; i >= 0; --i, value /= 10) name[i] = static_cast<wchar_t>(L'0' + value % 10);
            name += count;
        };
        digits(t.wYear, 4), digits(t.wMonth, 2), digits(t.wDay, 2);
        *name++ = L'-';
        digits(t.wHour, 2), digits(t.wMinute, 2), digits(t.wSecond, 2);
        *name++ = L'-';
        char pid[12];
        const auto [end, ignored] = std::to_chars(pid, pid + sizeof pid, GetCurrentProcessId());
        for (const char* p = pid; p < end; ++p) *name++ = static_cast<wchar_t>(*p);
        if (attempt > 1) *name++ = L'-', *name++ = static_cast<wchar_t>(L'0' + attempt);
        wcscpy(name, L".txt");
        file_ = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ != INVALID_HANDLE_VALUE) return true;
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// Beside the DLL ($LUMIVEXTARAN_TRACE_DIR in its place, for tests), else in
// the temporary folder.
bool TraceFile::Open() {
    wchar_t folder[kPathUnits + 1];
    DWORD length = GetEnvironmentVariableW(L"LUMIVEXTARAN_TRACE_DIR", folder, kPathUnits);
    if (length == 0 || length >= kPathUnits) {
        length = GetModuleFileNameW(gModule, folder, kPathUnits);
        if (length == 0 || length >= kPathUnits) length = 0;
        while (length > 0 && folder[length - 1] != L'\\' && folder[length - 1] != L'/') --length;
        folder[length] = 0;
    }
    DWORD besideError = 0;
    DWORD tempError = 0;
    if (!Create(folder, besideError)) {
        wchar_t temp[kPathUnits + 1];
        const DWORD tempLength = GetTempPathW(kPathUnits, temp);
        if (tempLength == 0 || tempLength >= kPathUnits || !Create(temp, tempError)) {
            SetLastError(tempError != 0 ? tempError : besideError);
            Fail(L"no trace file: it can be created neither beside the DLL nor in the temporary folder");
            return false;
        }
    }

    wchar_t bound[16];
    const DWORD boundLength = GetEnvironmentVariableW(L"LUMIVEXTARAN_TRACE_BOUND", bound, 16);
    if (boundLength > 0 && boundLength < 16) {
        std::uint64_t value = 0;
        for (DWORD i = 0; i < boundLength && bound[i] >= L'0' && bound[i] <= L'9'; ++i)
            value = value * 10 + static_cast<std::uint64_t>(bound[i] - L'0');
        if (value < kSmallestBound) value = kSmallestBound;
        if (value < kDefaultBound) bound_ = static_cast<std::uint32_t>(value);
    }

    static char header[kHeaderBytes];
    Line line(header, sizeof header);
    wrapsField_ = HeaderText(line);
    areaStart_ = line.Size();
    areaBytes_ = bound_ - areaStart_ - kSummaryReserve;
    Put(0, line.Data(), line.Size());
    return !broken_;
}

std::uint32_t TraceFile::HeaderText(Line& line) {
    wchar_t path[kPathUnits + 1];
    line.Put("lumivextaran-trace 1\ndll-version " LUMI_VERSION "\ndll-path ");
    DWORD length = GetModuleFileNameW(gModule, path, kPathUnits);
    path[length < kPathUnits ? length : kPathUnits] = 0;
    line.Text(reinterpret_cast<const char16_t*>(path), kPathBound).Put("\nhost-path ");
    length = GetModuleFileNameW(nullptr, path, kPathUnits);
    path[length < kPathUnits ? length : kPathUnits] = 0;
    line.Text(reinterpret_cast<const char16_t*>(path), kPathBound).Put("\nhost-pid ").Decimal(GetCurrentProcessId());
    SYSTEMTIME utc = {};
    FileTimeToSystemTime(&gLoadTime, &utc);
    auto two = [&line](unsigned value) { line.Put(static_cast<char>('0' + value / 10 % 10)).Put(static_cast<char>('0' + value % 10)); };
    line.Put("\nload-time ").Decimal(utc.wYear).Put('-');
    two(utc.wMonth), line.Put('-'), two(utc.wDay), line.Put('T'), two(utc.wHour), line.Put(':'), two(utc.wMinute),
        line.Put(':'), two(utc.wSecond), line.Put('.'), line.Put(static_cast<char>('0' + utc.wMilliseconds / 100 % 10)),
        two(utc.wMilliseconds), line.Put('Z');
    const char16_t decimal[2] = {Locale().DecimalSeparator, 0};
    const char16_t time[2] = {Locale().TimeSeparator, 0};
    line.Put("\ndecimal-separator ").Text(decimal, 1).Put("\ntime-separator ").Text(time, 1);
    line.Put("\ntext-bound ").Decimal(kTextBound).Put("\nsize-bound ").Decimal(bound_).Put("\nwrapped ");
    const std::uint32_t wrapsField = line.Size();
    line.Put("0000000000\nrecords\n");
    return wrapsField;
}

// The summary after the records, and the file cut to what was written.
void TraceFile::Close(bool processExit) {
    Lock(processExit);
    if (file_ == INVALID_HANDLE_VALUE) return Unlock();
    static char summary[kSummaryReserve];
    Line line(summary, sizeof summary);
    line.Put("summary\n");
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < kRowCount; ++i) {
        const std::uint32_t calls = static_cast<std::uint32_t>(kRows[i]->calls);
        if (calls == 0) continue;
        line.Put("calls ").Put(kRows[i]->code).Put(' ').Decimal(calls).Put('\n');
        total += calls;
    }
    line.Put("total ").Decimal(total).Put("\nend\n");
    const std::uint32_t at = areaStart_ + (wraps_ > 0 ? areaBytes_ : cursor_);
    Put(at, line.Data(), line.Size());
    if (view_ != nullptr) UnmapViewOfFile(view_);
    view_ = nullptr;
    LARGE_INTEGER end;
    end.QuadPart = broken_ ? allocated_ : at + line.Size();
    if (!broken_ && SetFilePointerEx(file_, end, nullptr, FILE_BEGIN)) SetEndOfFile(file_);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    broken_ = true;
    Unlock();
}

// ---- Opening on the first call ----------------------------------------------------

enum : LONG { kNotOpened, kOpening, kOpen, kOff };
volatile LONG gState = kNotOpened;

bool TraceOpen() {
    LONG state = gState;
    if (state == kOpen) return true;
    if (state == kOff) return false;
    if (InterlockedCompareExchange(&gState, kOpening, kNotOpened) == kNotOpened) {
        const bool opened = gTrace.Open();
        InterlockedExchange(&gState, opened ? kOpen : kOff);
        return opened;
    }
    while ((state = gState) == kOpening) Sleep(0);
    return state == kOpen;
}

#if defined(__GNUC__)
std::uint64_t gSeq = 0;
std::uint64_t NextSeq() { return __atomic_add_fetch(&gSeq, 1, __ATOMIC_SEQ_CST); }
#endif

void WriteLine(Line& line) {
    line.Put('\n');
    if (line.Full()) return;  // cannot happen: kLineBytes holds the longest
    gTrace.Lock();
    gTrace.Write(line.Data(), line.Size());
    gTrace.Unlock();
}

// The 80-bit ST(0) as a double's bits, when it is exactly one.
bool ExactDouble(const std::uint8_t* st0, std::uint64_t& bits) {
    std::uint64_t significand;
    std::uint16_t signExponent;
    std::memcpy(&significand, st0, 8);
    std::memcpy(&signExponent, st0 + 8, 2);
    const std::uint64_t sign = static_cast<std::uint64_t>(signExponent >> 15) << 63;
    const int exponent = signExponent & 0x7FFF;
    constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    constexpr int kDropped = 11;  // 64-bit significand down to 53
    if (exponent == 0 && significand == 0) {
        bits = sign;
        return true;
    }
    if (exponent == 0x7FFF) {  // infinity or NaN: the payload narrows
        if ((significand & ((1u << kDropped) - 1)) != 0 || (significand & kIntegerBit) == 0) return false;
        bits = sign | std::uint64_t{0x7FF} << 52 | ((significand >> kDropped) & kFraction);
        return true;
    }
    if ((significand & kIntegerBit) == 0) return false;  // unnormal or pseudo-denormal
    const int biased = exponent - 16383 + 1023;
    if (biased >= 0x7FF) return false;
    if (biased >= 1) {
        if ((significand & ((1u << kDropped) - 1)) != 0) return false;
        bits = sign | static_cast<std::uint64_t>(biased) << 52 | ((significand >> kDropped) & kFraction);
        return true;
    }
    const int shift = kDropped + 1 - biased;  // a double's subnormal
    if (shift >= 64 || (significand & ((std::uint64_t{1} << shift) - 1)) != 0) return false;
    bits = sign | (significand >> shift);
    return true;
}

}  // namespace

void OnLoad(void* module) {
    gModule = static_cast<HMODULE>(module);
    GetSystemTimeAsFileTime(&gLoadTime);
    GetLocalTime(&gLoadLocal);
    QueryPerformanceFrequency(&gTicksPerSecond);
    QueryPerformanceCounter(&gLoadTicks);
}

void OnUnload(bool processExit) {
    if (gState == kOpen) gTrace.Close(processExit);
    gState = kOff;
    TellReason();
}

}  // namespace lumi::trace

using lumi::trace::Line;

extern "C" void lumiTraceInputs(lumi::trace::Row* row, const std::uint32_t* slots, std::uint32_t returnAddress,
                                const std::uint8_t* x87State, std::uint64_t* seq) {
    const DWORD lastError = GetLastError();
    InterlockedIncrement(&row->calls);
    *seq = 0;
    if (lumi::trace::TraceOpen()) {
        *seq = lumi::trace::NextSeq();
        char buffer[lumi::trace::kLineBytes];
        Line line(buffer, sizeof buffer);
        std::uint16_t controlWord;
        std::memcpy(&controlWord, x87State, 2);
        line.Put("call ").Decimal(*seq).Put(' ').Decimal(GetCurrentThreadId()).Put(' ');
        line.Decimal(lumi::trace::MicrosSinceLoad()).Put(' ').Put(row->code).Put(' ');
        line.Hex(returnAddress, 8).Put(' ').Hex(controlWord, 4);
        for (std::uint32_t k = 0; k < row->words; ++k) line.Put(' ').Hex(slots[k], 8);
        if (row->textSlot >= 0) {
            // Read as the search reads them: the pattern only after a text
            // that is neither null nor empty.
            const auto* text = reinterpret_cast<const char16_t*>(slots[row->textSlot]);
            const auto* pattern = reinterpret_cast<const char16_t*>(slots[row->patternSlot]);
            // An unreadable pointer is named, not read: the body faults on
            // it, and this line is then the call's last trace.
            using lumi::trace::kTextBound;
            const bool textReadable = text == nullptr || lumi::trace::ReadableText(text, kTextBound);
            line.Put(" text").Decimal(row->textSlot).Put('=');
            if (textReadable) {
                line.Text(text, kTextBound);
            } else {
                line.Put("unreadable");
            }
            line.Put(" text").Decimal(row->patternSlot).Put('=');
            if (!textReadable || text == nullptr || text[0] == 0) {
                line.Put("unread");
            } else if (pattern != nullptr && !lumi::trace::ReadableText(pattern, kTextBound)) {
                line.Put("unreadable");
            } else {
                line.Text(pattern, kTextBound);
            }
        }
        lumi::trace::WriteLine(line);
    }
    lumi::trace::TellReason();
    SetLastError(lastError);
}

extern "C" void lumiTraceResult(lumi::trace::Row* row, const std::uint64_t* seq, std::uint32_t eax,
                                const std::uint8_t* x87State) {
    if (*seq == 0) return;
    const DWORD lastError = GetLastError();
    char buffer[lumi::trace::kLineBytes];
    Line line(buffer, sizeof buffer);
    line.Put("ret ").Decimal(*seq).Put(' ');
    switch (row->result) {
        case lumi::trace::RowResult::Word:
            line.Put("word ").Hex(eax, 8).Put(' ').Decimal(eax);
            break;
        case lumi::trace::RowResult::Integer:
            line.Put("integer ").Hex(eax, 8).Put(' ').Signed(static_cast<std::int32_t>(eax));
            break;
        case lumi::trace::RowResult::Text:
            line.Put("text ").Hex(eax, 8).Put(' ').Text(reinterpret_cast<const char16_t*>(eax), lumi::trace::kTextBound);
            break;
        case lumi::trace::RowResult::Double: {
            const std::uint8_t* st0 = x87State + lumi::trace::kX87Registers;
            std::uint64_t bits = 0;
            line.Put("double ");
            if (lumi::trace::ExactDouble(st0, bits)) {
                line.Hex(bits, 16).Put(' ').HexFloat(bits);
            } else {
                std::uint64_t low;
                std::uint16_t high;
                std::memcpy(&low, st0, 8);
                std::memcpy(&high, st0 + 8, 2);
                line.Hex(high, 4).Hex(low, 16).Put(" -");
            }
            break;
        }
    }
    lumi::trace::WriteLine(line);
    lumi::trace::TellReason();
    SetLastError(lastError);
}
