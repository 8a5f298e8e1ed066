// lumicall: loads a lumivextaran.dll and calls its exports the way a host
// does, through raw slots, holding each call to its catalogue row.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/worker/target.h"

namespace {

using lumi::call::CommandLine;

struct Command {
    std::string_view name;
    int (*run)(CommandLine&);
};

constexpr Command kCommands[] = {
    {"list", lumi::call::List},
    {"call", lumi::call::CallOne},
    {"check", lumi::call::Check},
    {"tour", lumi::call::Tour},
    {"verify", lumi::call::Verify},
    {"compare", lumi::call::Compare},
    {"replay", lumi::call::Replay},
    {"--version", lumi::call::Version},
};

constexpr std::string_view kUsage =
    "usage: lumicall [--dll PATH] COMMAND ...\n"
    "\n"
    "  tour                          a few exports of every family, called and answered\n"
    "  list [--family F] [--answers WHAT] [--json]\n"
    "                                the catalogue: code, convention, slots, slots read, result, body;\n"
    "                                --answers: only the exports that answer WHAT (a text, a number\n"
    "                                or a routine name, e.g. H4, 240, FormatFixed)\n"
    "  call CODE ARG... [--cw HEX]   calls one export; ARG is d:NUMBER (a double, two slots),\n"
    "                                i:INTEGER, t:TEXT, x:HEXWORD or null, filling slots from 0;\n"
    "                                K=ARG places it at slot K; other slots get random decoys\n"
    "  check [PATH] [--cw HEX]       holds every export of a DLL to its catalogue row and its\n"
    "                                known answers; with --cw, also under that control word,\n"
    "                                where ordinary inputs may raise no exception and change\n"
    "                                no answer\n"
    "  verify [--report FILE] [--cw HEX]\n"
    "                                checks the DLL on this machine: names it and the machine,\n"
    "                                holds every export to its contract, replays thousands of\n"
    "                                known answers under every precision and rounding mode and\n"
    "                                the control word lumicall started with (or HEX, your\n"
    "                                terminal's), calls the text exports from 8 threads, and ends\n"
    "                                with a verdict; FILE gets it all as plain text, to attach to\n"
    "                                a bug report\n"
    "  compare OTHER [--cw HEX] [--report FILE]\n"
    "                                calls every export of the DLL and of OTHER with the same\n"
    "                                inputs (the known answers', edge values, random words) under\n"
    "                                all 12 precision and rounding words, the word lumicall started\n"
    "                                with and HEX; names every difference, missing export and broken\n"
    "                                contract; exit 0 when the two answer alike\n"
    "  replay TRACE [--report FILE]  replays a trace of the tracing build against the DLL: each\n"
    "                                call under its recorded control word and slots, held to its\n"
    "                                contract, its answer compared with the recorded one; damaged\n"
    "                                lines named and skipped; exit 0 when every answer is equal,\n"
    "                                2 when the file is not a trace or holds nothing to replay\n"
    "  --version                     lumicall's version and the DLL's\n"
    "\n"
    "The DLL is lumivextaran.dll beside lumicall.exe unless --dll or check's PATH names\n"
    "another (a name without extension gets .dll). Every command checks the file first and\n"
    "calls the DLL in a worker process: an export that crashes or hangs (2 s) is named and\n"
    "the run goes on. A control word is compared on its masks, precision, rounding and\n"
    "infinity control. Exit status: 0 all held, 1 a contract was broken or an answer was\n"
    "wrong, 2 wrong use, or no usable DLL, 3 (check, verify, replay) failures seen on a\n"
    "machine whose x87 fails lumicall's own self-test: not the DLL's to answer for.\n";

std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(lumi::call::Narrowed(words[i]));
    LocalFree(words);
    return arguments;
}

int Run() {
    CommandLine line{.dll = "", .arguments = Arguments()};
    if (!line.arguments.empty() && line.arguments.front() == lumi::call::kWorkerArgument)
        return lumi::call::RunWorker(std::span(line.arguments).subspan(1));
    line.dll = line.TakeOption("--dll");
    if (line.arguments.empty()) {
        lumi::call::PrintError(kUsage);
        return lumi::call::kWrongUse;
    }
    const std::string name = line.arguments.front();
    if (name == "help" || name == "--help" || name == "-h") {
        if (line.arguments.size() > 1) throw lumi::call::UsageError("help takes no argument '" + line.arguments[1] + "'");
        lumi::call::Print(kUsage);
        return lumi::call::kAllHeld;
    }
    line.arguments.erase(line.arguments.begin());
    for (const Command& command : kCommands)
        if (command.name == name) return command.run(line);
    throw lumi::call::UsageError("unknown command '" + name + "'");
}

}  // namespace

int main() {
    // Bytes as written: UTF-8 text, "\n" line ends.
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    try {
        const int status = Run();
        // Output that could not be written is no verdict: a full disk, a closed pipe.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            lumi::call::PrintError("lumicall: cannot write the output: " + std::string(std::strerror(errno)) + "\n");
            return status == lumi::call::kAllHeld ? lumi::call::kWrongUse : status;
        }
        return status;
    } catch (const lumi::call::UsageError& error) {
        lumi::call::PrintError("lumicall: " + std::string(error.what()) + "\n(lumicall help shows the usage)\n");
    } catch (const lumi::call::LoadError& error) {
        lumi::call::PrintError("lumicall: " + std::string(error.what()) + "\n");
    } catch (const std::exception& error) {
        lumi::call::PrintError("lumicall: " + std::string(error.what()) + "\n");
    }
    return lumi::call::kWrongUse;
}
