// lumicall replay TRACE: waits for the trace reader.
#include "tools/lumicall/console.h"

namespace lumi::call {
int Replay(CommandLine&) { throw UsageError("replay is not built yet"); }
}  // namespace lumi::call
