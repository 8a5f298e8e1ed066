"""The built Windows files read with the mingw binutils, so they are checked on
any machine, with no Windows program run:

  built_files_test.py image OBJDUMP DLL DEF ALLOWED_IMPORTS [--tracing]
      the PE header, the sections, the export table (exactly the names DEF
      gives, undecorated, none forwarded) and the import table (the two system
      DLLs, each function listed in ALLOWED_IMPORTS, none newer than the
      Windows the header claims; the tracing rows only with --tracing)
  built_files_test.py import-library NM LIBRARY DEF
      a __stdcall Name@N and __imp__ symbol per callee-pops export, a plain
      one per caller-pops export, and no other export symbol

Prints one line per problem; exit status 0 all held, 1 a problem, 2 wrong use.
"""
import os
import re
import subprocess
import sys

LIBRARY_NAME = "lumivextaran.dll"
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll"}
OLDEST_WINDOWS = (5, 1)  # Windows XP
EXPORT_PREFIX = "Quenvar_"

# Header fields as objdump -p prints them, and the value each must have.
HEADER_FIELDS = [
    ("Magic", "010b", "a PE32 image"),
    ("MajorOSystemVersion", "5", "Windows XP as the oldest system"),
    ("MinorOSystemVersion", "1", "Windows XP as the oldest system"),
    ("MajorSubsystemVersion", "5", "Windows XP as the oldest subsystem"),
    ("MinorSubsystemVersion", "1", "Windows XP as the oldest subsystem"),
    ("Time/Date", "Thu Jan  1 00:00:00 1970", "no link time stamp"),
]
CHARACTERISTICS = ["DLL", "32 bit words"]
DLL_CHARACTERISTICS = ["DYNAMIC_BASE", "NX_COMPAT"]
# Data directories: (name as objdump prints it, whether it must be present).
DIRECTORIES = [
    ("Export Directory", True),
    ("Import Directory", True),
    ("Resource Directory", True),
    ("Base Relocation Directory", True),
    ("Delay Import Directory", False),
]
SECTIONS_PRESENT = [".text", ".edata", ".idata", ".rsrc", ".reloc"]


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True,
                          env=dict(os.environ, TZ="UTC")).stdout


def def_exports(path):
    """The .def's export lines: [(name, decorated)], in order."""
    rows = []
    in_exports = False
    for line in open(path, encoding="utf-8"):
        line = line.split(";")[0].strip()
        if line == "EXPORTS":
            in_exports = True
        elif in_exports and line:
            rows.append((line.split("@")[0], line))
    return rows


def allowed_imports(path):
    """{(dll lower case, function): (first Windows, tracing only)}"""
    rows = {}
    pattern = re.compile(r'^(ALLOWED|TRACING)_IMPORT\("([^"]+)", *"([^"]+)", *(\d+), *(\d+)\)')
    for line in open(path, encoding="utf-8"):
        match = pattern.match(line.strip())
        if match:
            kind, dll, function, major, minor = match.groups()
            rows[(dll.lower(), function)] = ((int(major), int(minor)), kind == "TRACING")
    return rows


def parse_private_headers(text):
    """objdump -p: header fields, flag words, data directories, imports, exports."""
    fields, directories, imports, exports = {}, {}, {}, []
    part, dll = "header", None
    for line in text.splitlines():
        if line.startswith("The Import Tables"):
            part = "imports"
        elif line.startswith("The Export Tables"):
            part = "exports"
        elif line.startswith("[Ordinal/Name Pointer] Table"):
            part = "export names"
        elif part == "header":
            match = re.match(r"^Entry [0-9a-f] ([0-9a-f]{8}) ([0-9a-f]{8}) (.+?)( \[.*)?$", line)
            if match:
                directories[match.group(3)] = int(match.group(2), 16)
            elif "\t" in line and not line.startswith("\t"):
                key, _, value = line.partition("\t")
                fields[key] = value.strip().split("\t")[0].strip()
            elif line.strip():
                fields.setdefault("flags", set()).add(line.strip())
        elif part == "imports":
            match = re.match(r"^\tDLL Name: (.+)$", line)
            if match:
                dll = match.group(1)
                imports[dll] = []
            elif dll and re.match(r"^\t[0-9a-f]+\t", line):
                words = line.split()
                imports[dll].append(words[2] if len(words) >= 3 and words[2] != "<none>" else None)
        elif part == "exports":
            if "Forwarder RVA" in line:
                fields["forwarded"] = fields.get("forwarded", 0) + 1
            match = re.match(r"^Name \s+[0-9a-f]+ (.+)$", line)
            if match:
                fields["export name"] = match.group(1)
            match = re.match(r"^\t(Export Address Table|\[Name Pointer/Ordinal\] Table)\s+([0-9a-f]+)$", line)
            if match and "count " + match.group(1) not in fields:
                fields["count " + match.group(1)] = int(match.group(2), 16)
        elif part == "export names":
            match = re.match(r"^\t\[\s*\d+\] (\S+)$", line)
            if match:
                exports.append(match.group(1))
    return fields, directories, imports, exports


def check_image(objdump, dll, def_path, allowed_path, tracing):
    problems = []
    fields, directories, imports, exports = parse_private_headers(run(objdump, "-p", dll))
    sections = re.findall(r"^\s*\d+ (\S+)", run(objdump, "-h", dll), re.MULTILINE)
    flags = fields.get("flags", set())

    if "file format pei-i386" not in run(objdump, "-f", dll):
        problems.append("not a 32-bit x86 PE image")
    for key, wanted, meaning in HEADER_FIELDS:
        if fields.get(key) != wanted:
            problems.append(f"header {key} is {fields.get(key)!r}, not {wanted!r} ({meaning})")
    for flag in CHARACTERISTICS + DLL_CHARACTERISTICS:
        if flag not in flags:
            problems.append(f"header lacks {flag}")
    if "relocations stripped" in flags:
        problems.append("relocations stripped: the loader cannot move it off its preferred base")
    for name, present in DIRECTORIES:
        if (directories.get(name, 0) > 0) != present:
            problems.append(f"{name} is {'missing' if present else 'present'}")
    for section in SECTIONS_PRESENT:
        if section not in sections:
            problems.append(f"no {section} section")
    problems += [f"has the debug section {s}" for s in sections if s.startswith(".debug_")]

    wanted = [name for name, _ in def_exports(def_path)]
    if fields.get("export name") != LIBRARY_NAME:
        problems.append(f"the export table names the library {fields.get('export name')!r}")
    for table in ("Export Address Table", "[Name Pointer/Ordinal] Table"):
        if fields.get("count " + table) != len(wanted):
            problems.append(f"{table} has {fields.get('count ' + table)} entries, not {len(wanted)}")
    if fields.get("forwarded"):
        problems.append(f"{fields['forwarded']} exports are forwarded")
    problems += [f"exports {name} twice" for name in sorted({n for n in exports if exports.count(n) > 1})]
    problems += [f"does not export {name}" for name in sorted(set(wanted) - set(exports))]
    problems += [f"exports {name}, which is not in {os.path.basename(def_path)}" for name in sorted(set(exports) - set(wanted))]

    allowed = allowed_imports(allowed_path)
    claimed = (int(fields.get("MajorOSystemVersion", 0)), int(fields.get("MinorOSystemVersion", 0)))
    if {dll_name.lower() for dll_name in imports} != SYSTEM_DLLS:
        problems.append(f"imports from {sorted(imports)}, not exactly {sorted(SYSTEM_DLLS)}")
    for dll_name, functions in imports.items():
        for function in functions:
            row = allowed.get((dll_name.lower(), function))
            if function is None:
                problems.append(f"imports from {dll_name} by ordinal")
            elif row is None or (row[1] and not tracing):
                problems.append(f"imports {dll_name} {function}, which allowed_imports.def does not list"
                                + ("" if tracing else " for the plain build"))
            elif row[0] > claimed:
                problems.append(f"imports {dll_name} {function}, which needs Windows {row[0][0]}.{row[0][1]}, "
                                f"and the header claims {claimed[0]}.{claimed[1]}")
    return problems


def check_import_library(nm, library, def_path):
    symbols = set(re.findall(r"^[0-9a-f]+ ([TI]) (\S*" + EXPORT_PREFIX + r"\S*)$", run(nm, library), re.MULTILINE))
    wanted = set()
    for _, decorated in def_exports(def_path):
        wanted |= {("T", "_" + decorated), ("I", "__imp__" + decorated)}
    problems = [f"lacks the symbol {name}" for kind, name in sorted(wanted - symbols)]
    problems += [f"has the symbol {name}, which {os.path.basename(def_path)} does not give"
                 for kind, name in sorted(symbols - wanted)]
    return problems


def main(argv):
    if len(argv) >= 6 and argv[1] == "image" and argv[6:] in ([], ["--tracing"]):
        subject, problems = argv[3], check_image(*argv[2:6], tracing=argv[6:] == ["--tracing"])
    elif len(argv) == 5 and argv[1] == "import-library":
        subject, problems = argv[3], check_import_library(*argv[2:5])
    else:
        print("usage: built_files_test.py image OBJDUMP DLL DEF ALLOWED_IMPORTS [--tracing]\n"
              "       built_files_test.py import-library NM LIBRARY DEF", file=sys.stderr)
        return 2
    for problem in problems:
        print(f"{subject}: {problem}")
    if not problems:
        print(f"{subject}: holds")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
