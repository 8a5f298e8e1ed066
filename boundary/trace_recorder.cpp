// The tracing build's recorder (docs/trace-format.md gives the file).
//
// Every line is formatted on the calling thread's stack, then copied into
// the mapped window under a short spin lock: records never interleave, and
// the lock is held only for a copy (and, once per MiB, for mapping the next
// window). The first call opens the file, so nothing at load touches it.
//
// It runs with the caller's x87 state in the unit, so this file is built
// with general registers only: the compiler emits no x87, MMX or SSE code
// here. What calls out of the recorder (opening, mapping, querying memory,
// waiting, telling a reason, QPC) does so inside an X87Quiet; only
// GetLastError, SetLastError and GetCurrentThreadId, which read the
// thread's own block, are called as they are.
#include "boundary/trace_recorder.h"

#include <windows.h>

#include <charconv>
#include <cpuid.h>
#include <cstddef>
#include <cstring>
#include <x86intrin.h>

#include "boundary/locale_snapshot.h"
#include "boundary/trace_line.h"

namespace lumi::trace {

// The rows, in table order (catalogue/exports.cpp).
extern Row* const kRows[];
extern const std::size_t kRowCount;

namespace {

static_assert(offsetof(Row, words) == 4 && offsetof(Row, popBytes) == 8 && offsetof(Row, result) == 12 &&
                  offsetof(Row, body) == 16 && static_cast<int>(RowResult::Double) == 2,
              "boundary/trace_enter.S reads these offsets and the double's kind");

using format::kTextBound;
using format::kPathBound;
constexpr std::uint32_t kWindowBytes = 1u << 20;         // mapped at a time
constexpr std::uint32_t kDefaultBound = format::kDefaultSizeBound;
constexpr std::uint32_t kSmallestBound = 64u << 10;
constexpr std::size_t kLineBytes = 3584;                 // the longest record line fits
constexpr std::size_t kHeaderBytes = 16384;
constexpr std::size_t kX87Registers = 28;                // ST(0) in fnsave's image
constexpr std::size_t kX87ImageBytes = 108;
constexpr DWORD kPathUnits = 1024;
constexpr int kNameAttempts = 9;                         // same second, same process

// The caller's x87 state saved and the unit reset to its defaults for as
// long as it lives: around code that is not the recorder's own.
class X87Quiet {
public:
    X87Quiet() { asm volatile("fnsave %0" : "=m"(image_)); }
    ~X87Quiet() { asm volatile("frstor %0" : : "m"(image_)); }
    X87Quiet(const X87Quiet&) = delete;
    X87Quiet& operator=(const X87Quiet&) = delete;

private:
    std::uint8_t image_[kX87ImageBytes];
};

// ---- Memory a text may be read from ---------------------------------------------

// The end of the readable memory at `address` that the recorder may read, or
// 0 when it cannot be read. Found by VirtualQuery (a guard page is never
// touched), and kept in a few cells, so most texts cost no query: the
// host's texts sit in a handful of heap regions. A cell is one 32-bit word,
// a first page and a count of pages (at most kCellPages; 0 is empty),
// written and read whole. A region kept may be freed later: the copy that
// reads from it is guarded (lumiTraceCopyUnits).
constexpr std::uint32_t kPageBits = 12;
constexpr std::uint32_t kPageBytes = 1u << kPageBits;
constexpr std::uint32_t kCountBits = 12;
constexpr std::uint32_t kCellPages = (1u << kCountBits) - 1;
constexpr int kRegionCells = 8;
volatile LONG gRegions[kRegionCells] = {};
volatile LONG gNextRegion = 0;

std::uintptr_t ReadableEnd(std::uintptr_t address) {
    const std::uint32_t page = static_cast<std::uint32_t>(address >> kPageBits);
    for (const volatile LONG& cell : gRegions) {
        const auto region = static_cast<std::uint32_t>(cell);
        const std::uint32_t first = region >> kCountBits, count = region & kCellPages;
        if (page - first < count) return static_cast<std::uintptr_t>(first + count) << kPageBits;
    }
    MEMORY_BASIC_INFORMATION info;
    {
        X87Quiet quiet;
        if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) != sizeof info) return 0;
    }
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (info.State != MEM_COMMIT || (info.Protect & kReadable) == 0 || (info.Protect & PAGE_GUARD) != 0) return 0;
    const auto base = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(info.BaseAddress) >> kPageBits);
    const std::uint64_t endPage = (static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(info.BaseAddress)) +
                                   info.RegionSize) >> kPageBits;
    // A large region is kept from the text's page on, as far as a cell reaches.
    const std::uint32_t first = endPage - base <= kCellPages ? base : page;
    const auto count = static_cast<std::uint32_t>(endPage - first < kCellPages ? endPage - first : kCellPages);
    const auto cell = static_cast<std::uint32_t>(InterlockedIncrement(&gNextRegion)) % kRegionCells;
    InterlockedExchange(&gRegions[cell], static_cast<LONG>(first << kCountBits | count));
    return static_cast<std::uintptr_t>(first + count) << kPageBits;
}

// The copy loop of lumiTraceCopyUnits and where a fault in it resumes.
extern "C" const char lumiTraceCopyLoop[], lumiTraceCopyLoopEnd[], lumiTraceCopyResume[];

// A fault of the copy loop, sent on at its fault label: registered first
// among the process's vectored handlers (those a host adds later with
// first place come before it), so a host's handler does not take the
// recorder's fault for one of its own. Anything else is passed on.
LONG CALLBACK OnCopyFault(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    const auto at = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
    if (at < reinterpret_cast<std::uintptr_t>(lumiTraceCopyLoop) ||
        at >= reinterpret_cast<std::uintptr_t>(lumiTraceCopyLoopEnd))
        return EXCEPTION_CONTINUE_SEARCH;
    if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION && record.ExceptionCode != STATUS_GUARD_PAGE_VIOLATION &&
        record.ExceptionCode != EXCEPTION_IN_PAGE_ERROR)
        return EXCEPTION_CONTINUE_SEARCH;
    info->ContextRecord->Eip = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(lumiTraceCopyResume));
    return EXCEPTION_CONTINUE_EXECUTION;
}

void* volatile gCopyHandler = nullptr;
volatile LONG gCopyHandlerAdded = 0;

// On the first text read, so it comes after the handlers a host adds at
// its start; removed at unload.
void AddCopyHandler() {
    if (gCopyHandlerAdded != 0 || InterlockedExchange(&gCopyHandlerAdded, 1) != 0) return;
    X87Quiet quiet;
    gCopyHandler = AddVectoredExceptionHandler(1, OnCopyFault);
}

// What the search reads of a text: its units up to its zero or kTextBound + 1
// units, whichever comes first, copied into `copy` region by region.
// Unreadable when any of that memory is not readable, or faults as it is
// read (freed meanwhile by another thread).
TextField ReadText(const char16_t* units, char16_t (&copy)[kTextBound + 1]) {
    if (units == nullptr) return {};
    AddCopyHandler();
    constexpr std::uint32_t kWanted = kTextBound + 1;
    auto at = reinterpret_cast<std::uintptr_t>(units);
    std::uint32_t done = 0;
    while (done < kWanted) {
        const std::uintptr_t end = ReadableEnd(at);
        if (end == 0) return {TextState::Unreadable};
        std::uintptr_t room = (end - at) / sizeof(char16_t);
        if (room == 0) {  // a unit that reaches into the next region
            if (ReadableEnd(end) == 0) return {TextState::Unreadable};
            room = 1;
        }
        const std::uint32_t want = room < kWanted - done ? static_cast<std::uint32_t>(room) : kWanted - done;
        const std::int32_t got = lumiTraceCopyUnits(reinterpret_cast<const char16_t*>(at), copy + done, want);
        if (got < 0) return {TextState::Unreadable};
        done += static_cast<std::uint32_t>(got);
        if (static_cast<std::uint32_t>(got) < want) return {TextState::Read, copy, done, false};
        at += want * sizeof(char16_t);
    }
    return {TextState::Read, copy, kTextBound, true};
}

// ---- What load notes -------------------------------------------------------------

HMODULE gModule = nullptr;
FILETIME gLoadTime = {};
SYSTEMTIME gLoadLocal = {};

// ---- The clock -------------------------------------------------------------------

// The records count ticks of the processor's time-stamp counter where it
// runs at one rate on every core in every power state (an invariant TSC),
// else of QueryPerformanceCounter. The TSC's rate is measured against QPC
// between the load and now.
struct Clock {
    bool tsc = false;
    std::uint64_t loadTsc = 0;
    LARGE_INTEGER loadQpc = {};
    LARGE_INTEGER qpcPerSecond = {};
};
Clock gClock;

constexpr unsigned kPowerLeaf = 0x80000007;
constexpr unsigned kInvariantTsc = 1u << 8;  // EDX of the power leaf

bool InvariantTsc() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_max(0x80000000, nullptr) < kPowerLeaf) return false;
    __cpuid(kPowerLeaf, eax, ebx, ecx, edx);
    return (edx & kInvariantTsc) != 0;
}

std::uint64_t QpcNow() {
    LARGE_INTEGER now;
    X87Quiet quiet;
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
}

std::uint64_t TicksSinceLoad() {
    if (gClock.tsc) return __rdtsc() - gClock.loadTsc;
    return QpcNow() - static_cast<std::uint64_t>(gClock.loadQpc.QuadPart);
}

// a * b / c, for factors that may not fit 64 bits together: those over 32
// bits are narrowed first, which keeps the quotient to 32 significant bits.
std::uint64_t ScaledQuotient(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    while (c >> 32 != 0) a >>= 1, c >>= 1;
    while (b >> 32 != 0) b >>= 1, c >>= 1;
    if (c == 0) return 0;
    return a / c * b + a % c * b / c;
}

// The records' ticks per second, or 0 while too little time has passed to
// measure the TSC's rate (QPC's own ticks are then a few parts in a
// hundred thousand of the span).
constexpr std::uint64_t kShortestMeasure = 100;  // of a second: 10 ms
std::uint64_t TicksPerSecond() {
    const auto perSecond = static_cast<std::uint64_t>(gClock.qpcPerSecond.QuadPart);
    if (!gClock.tsc) return perSecond;
    const std::uint64_t tscSpan = __rdtsc() - gClock.loadTsc;
    const std::uint64_t qpcSpan = QpcNow() - static_cast<std::uint64_t>(gClock.loadQpc.QuadPart);
    if (qpcSpan < perSecond / kShortestMeasure) return 0;
    return ScaledQuotient(tscSpan, perSecond, qpcSpan);
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
    X87Quiet quiet;  // a host's handler of the exception runs in it
    OutputDebugStringW(message);
}

// ---- The file --------------------------------------------------------------------

class TraceFile {
public:
    bool Open();
    void Write(const char* bytes, std::uint32_t size, std::uint64_t ticks);
    void Close(bool processExit);

    void Lock(bool bounded = false) {
        for (unsigned spins = 0; InterlockedExchange(&lock_, 1) != 0; ++spins) {
            if (bounded && spins > 20000) return;  // a thread that died holding it
            if (spins < 64) {
                YieldProcessor();
            } else {
                X87Quiet quiet;
                Sleep(spins < 2000 ? 0 : 1);
            }
        }
    }
    void Unlock() { __atomic_store_n(&lock_, 0, __ATOMIC_RELEASE); }

private:
    bool Create(const wchar_t* folder, DWORD& error);
    void Fail(const wchar_t* what);
    char* Bytes(std::uint32_t offset, std::uint32_t& available);
    void Put(std::uint32_t offset, const char* bytes, std::uint32_t size);
    void Fill(std::uint32_t offset, char byte, std::uint32_t size);
    HeaderPlaces HeaderText(Line& line);
    void WriteTicksPerSecond();

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
    std::uint32_t ticksField_ = 0;  // offset of the rate's digits
    std::uint64_t nextMeasure_ = 0;  // ticks at which the rate is measured again
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
        X87Quiet quiet;
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
        // Each page written once now: its first store faults (the system
        // marks it dirty), and a record that met that fault waited
        // microseconds. The faults are the same in number, paid here, once
        // per window, not spread over the calls.
        for (std::uint32_t page = 0; page < viewBytes_; page += kPageBytes) {
            volatile char* at = view_ + page;
            *at = *at;
        }
    }
    available = viewStart_ + viewBytes_ - offset;
    return view_ + (offset - viewStart_);
}

// rep movsb: a record's hundred bytes, without a call of the C runtime.
void CopyRecord(char* to, const char* from, std::uint32_t count) {
    asm volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(count) : : "memory");
}

void TraceFile::Put(std::uint32_t offset, const char* bytes, std::uint32_t size) {
    while (size > 0) {
        std::uint32_t available = 0;
        char* to = Bytes(offset, available);
        if (to == nullptr) return;
        const std::uint32_t part = size < available ? size : available;
        CopyRecord(to, bytes, part);
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
void TraceFile::Write(const char* bytes, std::uint32_t size, std::uint64_t ticks) {
    if (broken_ || size > areaBytes_) return;
    if (ticks >= nextMeasure_) {
        WriteTicksPerSecond();
        nextMeasure_ = 2 * ticks;
    }
    if (cursor_ + size > areaBytes_) {
        const std::uint32_t gap = areaBytes_ - cursor_;
        if (gap > 0) {
            Fill(areaStart_ + cursor_, ' ', gap - 1);
            Put(areaStart_ + areaBytes_ - 1, "\n", 1);
        }
        cursor_ = 0;
        ++wraps_;
        char digits[format::kWrappedDigits];
        PutPadded(wraps_, sizeof digits, digits);
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
    const HeaderPlaces places = HeaderText(line);
    wrapsField_ = places.wrapped;
    ticksField_ = places.ticksPerSecond;
    areaStart_ = line.Size();
    areaBytes_ = bound_ - areaStart_ - kSummaryReserve;
    Put(0, line.Data(), line.Size());
    return !broken_;
}

// A path as the header keeps it: the whole of it, as GetModuleFileNameW gives it.
TextField PathField(const wchar_t* path, DWORD length) {
    const std::uint32_t kept = length < kPathBound ? length : kPathBound;
    return {TextState::Read, reinterpret_cast<const char16_t*>(path), kept, length > kPathBound};
}

HeaderPlaces TraceFile::HeaderText(Line& line) {
    wchar_t dllPath[kPathUnits + 1];
    wchar_t hostPath[kPathUnits + 1];
    const DWORD dllLength = GetModuleFileNameW(gModule, dllPath, kPathUnits);
    const DWORD hostLength = GetModuleFileNameW(nullptr, hostPath, kPathUnits);
    SYSTEMTIME utc = {};
    FileTimeToSystemTime(&gLoadTime, &utc);
    HeaderFields fields{
        LUMI_VERSION,
        PathField(dllPath, dllLength),
        PathField(hostPath, hostLength),
        GetCurrentProcessId(),
        {utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds},
        TicksPerSecond(),
        Locale().DecimalSeparator,
        Locale().TimeSeparator,
        bound_,
    };
    // The rate is measured again at twice the ticks of each measure, from
    // about 10 ms on, and last at unload: it firms up as the trace grows.
    constexpr std::uint64_t kFirstMeasure = 1u << 24;
    nextMeasure_ = !gClock.tsc ? ~std::uint64_t{0} : fields.ticksPerSecond == 0 ? kFirstMeasure : 2 * TicksSinceLoad();
    return PutHeader(line, fields);
}

void TraceFile::WriteTicksPerSecond() {
    const std::uint64_t perSecond = TicksPerSecond();
    if (perSecond == 0) return;
    char digits[format::kTicksPerSecondDigits];
    PutPadded(perSecond, sizeof digits, digits);
    Put(ticksField_, digits, sizeof digits);
}

// The summary after the records, and the file cut to what was written.
void TraceFile::Close(bool processExit) {
    Lock(processExit);
    if (file_ == INVALID_HANDLE_VALUE) return Unlock();
    X87Quiet quiet;
    if (gClock.tsc) WriteTicksPerSecond();
    static char summary[kSummaryReserve];
    Line line(summary, sizeof summary);
    PutSummaryStart(line);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < kRowCount; ++i) {
        const std::uint32_t calls = static_cast<std::uint32_t>(kRows[i]->calls);
        if (calls == 0) continue;
        PutCalls(line, kRows[i]->code, calls);
        total += calls;
    }
    PutSummaryEnd(line, total);
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
    X87Quiet quiet;
    if (InterlockedCompareExchange(&gState, kOpening, kNotOpened) == kNotOpened) {
        const bool opened = gTrace.Open();
        InterlockedExchange(&gState, opened ? kOpen : kOff);
        return opened;
    }
    while ((state = gState) == kOpening) Sleep(0);
    return state == kOpen;
}

// A compare-exchange loop on lock cmpxchg8b: built with general registers
// only, the compiler's 64-bit atomics would call libatomic. A first read
// that tears only fails once.
std::uint64_t gSeq = 0;
std::uint64_t NextSeq() {
    std::uint64_t seen = gSeq;
    for (;;) {
        const std::uint64_t next = seen + 1;
        std::uint64_t prior;
        asm volatile("lock cmpxchg8b %1"
                     : "=A"(prior), "+m"(gSeq)
                     : "0"(seen), "b"(static_cast<std::uint32_t>(next)), "c"(static_cast<std::uint32_t>(next >> 32))
                     : "memory", "cc");
        if (prior == seen) return next;
        seen = prior;
    }
}

void WriteLine(Line& line, std::uint64_t ticks) {
    line.Put('\n');
    if (line.Full()) return;  // cannot happen: kLineBytes holds the longest
    gTrace.Lock();
    gTrace.Write(line.Data(), line.Size(), ticks);
    gTrace.Unlock();
}

}  // namespace

void OnLoad(void* module) {
    gModule = static_cast<HMODULE>(module);
    GetSystemTimeAsFileTime(&gLoadTime);
    GetLocalTime(&gLoadLocal);
    QueryPerformanceFrequency(&gClock.qpcPerSecond);
    gClock.tsc = InvariantTsc();
    QueryPerformanceCounter(&gClock.loadQpc);
    gClock.loadTsc = __rdtsc();
}

void OnUnload(bool processExit) {
    if (gCopyHandler != nullptr) RemoveVectoredExceptionHandler(gCopyHandler);
    gCopyHandler = nullptr;
    if (gState == kOpen) gTrace.Close(processExit);
    gState = kOff;
    TellReason();
}

}  // namespace lumi::trace

using namespace lumi::trace;

extern "C" void lumiTraceInputs(Row* row, const std::uint32_t* slots, std::uint32_t returnAddress,
                                std::uint32_t controlWord, std::uint64_t* seq) {
    const DWORD lastError = GetLastError();
    InterlockedIncrement(&row->calls);
    *seq = 0;
    if (TraceOpen()) {
        *seq = NextSeq();
        InputsFields fields{*seq, GetCurrentThreadId(), TicksSinceLoad(), row->code, returnAddress,
                            static_cast<std::uint16_t>(controlWord), slots, row->words, row->textSlot,
                            row->patternSlot, {}, {}};
        char16_t textCopy[kTextBound + 1];
        char16_t patternCopy[kTextBound + 1];
        if (row->textSlot >= 0) {
            // Read as the search reads them: the pattern only after a text
            // that is neither null nor empty. An unreadable text is named,
            // not read: the body faults on it, and this line is then the
            // call's last trace.
            fields.text = ReadText(reinterpret_cast<const char16_t*>(slots[row->textSlot]), textCopy);
            const bool textSearched = fields.text.state == TextState::Read && fields.text.count > 0;
            fields.pattern = textSearched
                                 ? ReadText(reinterpret_cast<const char16_t*>(slots[row->patternSlot]), patternCopy)
                                 : TextField{TextState::Unread};
        }
        char buffer[kLineBytes];
        Line line(buffer, sizeof buffer);
        PutInputs(line, fields);
        WriteLine(line, fields.ticks);
    }
    TellReason();
    SetLastError(lastError);
}

// The answer as the DLL gave it: its own text (a constant or a text built
// for this call), so read without a guard.
TextField AnswerText(std::uint32_t eax) {
    const auto* units = reinterpret_cast<const char16_t*>(eax);
    if (units == nullptr) return {};
    std::uint32_t count = 0;
    while (count < kTextBound && units[count] != 0) ++count;
    return {TextState::Read, units, count, units[count] != 0};
}

extern "C" void lumiTraceResult(Row* row, const std::uint64_t* seq, std::uint32_t eax, const std::uint8_t* x87State) {
    if (*seq == 0) return;
    const DWORD lastError = GetLastError();
    char buffer[kLineBytes];
    Line line(buffer, sizeof buffer);
    const ResultFields fields{*seq, row->result, eax,
                              row->result == RowResult::Text ? AnswerText(eax) : TextField{},
                              x87State != nullptr ? x87State + kX87Registers : nullptr};
    PutResult(line, fields);
    WriteLine(line, 0);
    TellReason();
    SetLastError(lastError);
}
