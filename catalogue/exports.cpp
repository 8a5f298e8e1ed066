// The exported functions, one per table row. Each family's row macro below
// is that family's whole body; the tables decide names, conventions and slots.
#include <cstdint>

#include "boundary/built_text.h"
#include "boundary/export_glue.h"
#include "boundary/locale_snapshot.h"
#include "catalogue/row_arguments.h"
#include "catalogue/texts.h"
#include "values/find_text.h"
#include "values/format_fixed.h"
#include "values/format_time.h"
#include "values/rounding.h"
#include "values/x87.h"

using namespace lumi;

// Text constants: the one stored copy of the text.
#define TEXT_CONSTANT(code, n, name) \
    LUMI_CALLEE_POPS(const char16_t*, code, n) { return text::name; }
#include "catalogue/text_constants.def"
#undef TEXT_CONSTANT

// Number constants: 0.0 and 1.0 come from the unit's own constants.
#define INTEGER_CONSTANT(code, n, value) \
    LUMI_CALLEE_POPS(std::int32_t, code, n) { return value; }
#define DOUBLE_CONSTANT(code, n, value) \
    LUMI_CALLEE_POPS(double, code, n) { return value; }
#include "catalogue/number_constants.def"
#undef INTEGER_CONSTANT
#undef DOUBLE_CONSTANT

// Pass-through: a double is loaded as it lies, an integer widened exactly.
#define PASS_SLOT(code, n, slot) \
    LUMI_CALLEE_POPS(ValueSlot, code, n) { return slots.Word(slot); }
#define PASS_DOUBLE(code, n, first) \
    LUMI_CALLEE_POPS(double, code, n) { return slots.Double(first); }
#define WIDEN_SLOT(code, n, slot) \
    LUMI_CALLEE_POPS(double, code, n) { return StoreAsDouble(slots.Int(slot)); }
#include "catalogue/pass_through.def"
#undef PASS_SLOT
#undef PASS_DOUBLE
#undef WIDEN_SLOT

// Arithmetic: intermediates stay at working precision, one rounding at the end.
#include "catalogue/expression_terms.h"
#define DOUBLE_EXPRESSION(code, n, expression) \
    LUMI_CALLEE_POPS(double, code, n) { return slots.RoundToDoubleInPlace(expression); }
#define INTEGER_EXPRESSION(code, n, expression) \
    LUMI_CALLEE_POPS(std::int32_t, code, n) { return expression; }
#define TRUTH_EXPRESSION(code, n, expression) \
    LUMI_CALLEE_POPS(std::int32_t, code, n) { return (expression) ? 1 : 0; }
#include "catalogue/arithmetic.def"
#undef DOUBLE_EXPRESSION
#undef INTEGER_EXPRESSION
#undef TRUTH_EXPRESSION
#include "catalogue/expression_terms_end.h"

// Formatting, rounding and search: one routine call each.
#define NUMBER_TO_TEXT(code, convention, n, value, digits)                           \
    LUMI_EXPORT(convention, const char16_t*, code, n) {                              \
        char16_t* out = NextBuiltText();                                              \
        FormatFixedFrom(slots.DoubleAt(value), Argument(slots, digits),               \
                        Locale().DecimalSeparator, out);                              \
        return out;                                                                   \
    }
#define TIME_TO_TEXT(code, highest, time, pattern)                                   \
    LUMI_CALLER_POPS(const char16_t*, code, highest) {                               \
        char16_t* out = NextBuiltText();                                              \
        FormatTime(slots.Int(time), pattern, Locale().TimeSeparator, out);            \
        return out;                                                                   \
    }
#define ROUND_TO_DIGITS(code, n, value, digits)                                      \
    LUMI_CALLEE_POPS(double, code, n) {                                              \
        return StoreAsDouble(RoundToDigits(slots.Double(value), Argument(slots, digits))); \
    }
#define LARGER_OF(code, n, a, b) \
    LUMI_CALLEE_POPS(double, code, n) { return MaxOf(slots.Double(a), slots.Double(b)); }
#define SMALLER_OF(code, n, a, b) \
    LUMI_CALLEE_POPS(double, code, n) { return MinOf(slots.Double(a), slots.Double(b)); }
#define FIND_TEXT(code, n, text, pattern) \
    LUMI_CALLEE_POPS_READING_TEXTS(std::int32_t, code, n, text, pattern) {               \
        return FindText(slots.Text(text), slots.Text(pattern), kSearchStart);             \
    }
#include "catalogue/formatting.def"
#undef NUMBER_TO_TEXT
#undef TIME_TO_TEXT
#undef ROUND_TO_DIGITS
#undef LARGER_OF
#undef SMALLER_OF
#undef FIND_TEXT

#if defined(LUMI_TRACING)
// The tracing build's row descriptors, in table order, for the trace's summary.
#include <iterator>
#define LUMI_ROW(code) &LUMI_TRACE_ROW(code),
namespace lumi::trace {
extern Row* const kRows[];
Row* const kRows[] = {
#include "catalogue/rows.def"
};
extern const std::size_t kRowCount;
const std::size_t kRowCount = std::size(kRows);
static_assert(SummaryBytes(std::size(kRows)) <= kSummaryReserve, "the summary of every row fits its reserve");
}  // namespace lumi::trace
#endif
