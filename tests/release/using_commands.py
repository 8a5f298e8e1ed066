#!/usr/bin/env python3
"""USING.md's table of lumicall's commands lists every command and every
option that `lumicall --help` prints: a row per command, its first cell
naming the command's options, and the options of the usage line in a row
of their own.

    using_commands.py USING_MD LUMICALL_COMMAND...

LUMICALL_COMMAND is how to run lumicall (the emulator and lumicall.exe);
--help is added.
"""
import re
import subprocess
import sys

OPTION = re.compile(r"--[a-z]+")


def help_synopses(help_text):
    """(command, options) of each command the help lists at two spaces of
    indent, the synopsis being what comes before the description's gap; and
    the usage line's own options, under the command ""."""
    synopses = []
    for line in help_text.splitlines():
        if line.startswith("usage:"):
            synopses.append(("", OPTION.findall(line.split("COMMAND")[0])))
        elif re.match(r"  \S", line):
            synopsis = re.split(r"\s{2,}", line.strip())[0]
            command = synopsis.split()[0]
            synopses.append((command, [o for o in OPTION.findall(synopsis) if o != command]))
    return synopses


def table_rows(using_text):
    """The first cells of the rows of the table under "## lumicall's commands"."""
    section = using_text.split("## lumicall's commands", 1)[1].split("\n## ", 1)[0]
    return [row.split("|")[1].strip() for row in section.splitlines() if row.startswith("| `lumicall")]


def faults(synopses, rows):
    for command, options in synopses:
        label = f"lumicall {command}".strip()
        cells = [cell for cell in rows if re.match(r"`lumicall " + re.escape(command) + r"(\s|`)", cell)] \
            if command else rows
        if not cells:
            yield f"no row for `{label}`"
            continue
        for option in options:
            if not any(option in cell for cell in cells):
                yield f"`{label}`: the table does not name {option}"


def main():
    using_text = open(sys.argv[1], encoding="utf-8").read()
    help_text = subprocess.run(sys.argv[2:] + ["--help"], check=True, capture_output=True, text=True).stdout
    synopses = help_synopses(help_text.replace("\r", ""))
    found = list(faults(synopses, table_rows(using_text)))
    for fault in found:
        print(fault)
    print(f"{len(synopses)} synopses of lumicall --help, {len(found)} not in USING.md's table")
    return 1 if found or len(synopses) < 2 else 0


if __name__ == "__main__":
    sys.exit(main())
