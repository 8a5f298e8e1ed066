// A trace record in words a person reads: texts in UTF-8, doubles in the
// shortest decimal that reads back as the same double, the inputs by the
// slots the export's catalogue row reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "tools/trace/trace_reader.h"

namespace lumi::tracetool {

std::string Utf8(std::u16string_view units);  // a lone surrogate as U+FFFD
std::string ShortestDouble(std::uint64_t bits);
// A text field's content: "\"Buy\"", "\"Buy...\" (cut at 256 units)", "null", "unread", "unreadable".
std::string TextWords(const trace::Text& text);
// The inputs the row reads: "slots 0-1 = 0.1, slot 4 = 5"; the record's
// texts by slot when the code is not in the catalogue (`entry` null).
std::string InputsWords(const trace::Record& record, const ExportEntry* entry);
// The answer: "text \"1.23456\"", "double 0.1 (3FB999999999999A)", "integer -99", "no answer".
std::string ResultWords(const trace::Record& record);
// "12.345678 s", or "-" when the clock's rate is not known.
std::string SecondsWords(const trace::Header& header, std::uint64_t ticks);

}  // namespace lumi::tracetool

namespace lumi::tracetool {

// One record as `lumitrace text` prints it: "seq 3  thread 78  0.000012 s  iIiIIiIii1  cw 027F  ret 00401000
// slots 00C00000 00000000 00C00100  slot 2 = "Attempt", slot 0 = "Buy"  ->  integer 16".
std::string RecordLine(const trace::Record& record, const ExportEntry* entry, const trace::Header& header);

}  // namespace lumi::tracetool
