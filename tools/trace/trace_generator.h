// Writes a made-up trace of any size, as the tracing build would write it
// (its formatting: boundary/trace_format.h), calling the catalogue's rows
// in turn from a few threads whose lines interleave. For the benchmark and
// the tests of reading large traces.
#pragma once

#include <cstdint>
#include <string>

#include "boundary/trace_format.h"

namespace lumi::trace {

struct GeneratedTrace {
    std::uint64_t calls = 0;
    std::uint64_t bytes = 0;
    std::uint32_t threads = 0;
};

// At least `bytes` bytes of records, then the summary; format `version`.
// Throws std::runtime_error when `path` cannot be written.
GeneratedTrace WriteGeneratedTrace(const std::string& path, std::uint64_t bytes, int version);

}  // namespace lumi::trace
