#!/usr/bin/env python3
"""docs/catalogue.json against its schema (docs/catalogue-json.md) and
against tests/native/catalogue_shape.txt, the shapes typed out on their own.

    catalogue_json_test.py CATALOGUE_JSON CATALOGUE_SHAPE VERSION
"""
import json
import sys

KINDS = {"word", "integer", "truth", "double", "text", "time"}
FAMILIES = {"text constant", "number constant", "pass-through", "arithmetic", "formatting"}
OPS = {"load", "add", "subtract", "multiply", "divide", "reverse-subtract", "reverse-divide",
       "greater", "less", "not-equal", "and"}
ROUTINES = {"FormatFixed": ["value", "digits"], "FormatTime": ["time", "pattern"],
            "RoundToDigits": ["value", "digits"], "MaxOf": ["a", "b"], "MinOf": ["a", "b"],
            "FindText": ["text", "pattern", "start"]}
# The one body key each family has besides "words".
BODY_KEY = {"text constant": "text", "number constant": "value", "pass-through": "slot",
            "arithmetic": "operations", "formatting": "routine"}
EXPORT_KEYS = ["code", "name", "family", "convention", "slots", "highest_slot_read", "reads", "result", "body"]

faults = []


def fault(code, what):
    faults.append(f"{code}: {what}")


def is_int(value):
    return isinstance(value, int) and not isinstance(value, bool)


def check_operand(code, operand, reads):
    if "slot" in operand:
        if (operand["slot"], operand.get("kind")) not in reads:
            fault(code, f"operand {operand} is not a slot it reads")
    elif "constant" not in operand:
        fault(code, f"operand {operand} is neither slot nor constant")


def check_export(entry, prefix):
    code = entry.get("code", "?")
    if list(entry) != EXPORT_KEYS:
        return fault(code, f"keys {list(entry)}, expected {EXPORT_KEYS}")
    if len(code) != 10 or set(code) - set("Ii1") or entry["name"] != prefix + code:
        fault(code, f"bad code or name {entry['name']}")
    if entry["family"] not in FAMILIES or entry["result"] not in KINDS:
        fault(code, "unknown family or result kind")
    callee = entry["convention"] == "callee-pops"
    if entry["convention"] not in ("callee-pops", "caller-pops"):
        fault(code, f"convention {entry['convention']}")
    if callee != is_int(entry["slots"]) or (callee and not 0 <= entry["slots"] <= 10):
        fault(code, f"slots {entry['slots']} for a {entry['convention']} export")
    reads = set()
    highest = None
    for read in entry["reads"]:
        if set(read) != {"slot", "kind", "role"} or read["kind"] not in KINDS or not read["role"]:
            fault(code, f"read {read}")
            continue
        reads.add((read["slot"], read["kind"]))
        highest = max(highest or 0, read["slot"] + (1 if read["kind"] == "double" else 0))
    if entry["highest_slot_read"] != highest:
        fault(code, f"highest_slot_read {entry['highest_slot_read']}, reads give {highest}")
    if callee and highest is not None and highest >= entry["slots"]:
        fault(code, "reads beyond its slots")
    body = entry["body"]
    key = BODY_KEY.get(entry["family"])
    if set(body) != {key, "words"} or not isinstance(body["words"], str):
        return fault(code, f"body keys {list(body)}")
    what = body[key]
    if key == "text" and not (isinstance(what, str) and what):
        fault(code, "empty text")
    elif key == "value" and not isinstance(what, (int, float)):
        fault(code, f"value {what}")
    elif key == "slot":
        check_operand(code, what, reads)
    elif key == "operations":
        if not what or what[0]["op"] != "load":
            fault(code, "operations do not start with a load")
        for operation in what:
            if operation["op"] not in OPS:
                fault(code, f"operation {operation['op']}")
            elif operation["op"] != "and":
                check_operand(code, operation["operand"], reads)
    elif key == "routine":
        parameters = ROUTINES.get(what["name"])
        if parameters is None or [a["parameter"] for a in what["arguments"]] != parameters[:len(what["arguments"])]:
            fault(code, f"routine {what}")
        for argument in what["arguments"]:
            check_operand(code, argument["from"], reads)


def shapes(path):
    """code -> (pops, slots, reads as (slot, kind) pairs) from the transcription."""
    table = {}
    for line in open(path, encoding="utf-8"):
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        code, pops, slots, rest = words[0], words[1], int(words[2]), words[3:]
        reads = set()
        for slot, kind in zip(rest[0::2], rest[1::2]):
            reads.add((int(slot.split("-")[0]), kind))
        table[code] = (pops, slots, reads)
    return table


def main():
    document = json.load(open(sys.argv[1], encoding="utf-8"))
    if list(document) != ["library", "version", "prefix", "exports"] or document["library"] != "lumivextaran.dll" \
            or document["version"] != sys.argv[3]:
        fault("document", f"top-level keys {list(document)}")
    exports = document["exports"]
    for entry in exports:
        check_export(entry, document["prefix"])
    expected = shapes(sys.argv[2])
    seen = {}
    for entry in exports:
        pops = "callee" if entry["convention"] == "callee-pops" else "caller"
        slots = entry["slots"] if pops == "callee" else entry["highest_slot_read"]
        seen[entry["code"]] = (pops, slots, {(r["slot"], r["kind"]) for r in entry["reads"]})
    for code in sorted(set(expected) | set(seen)):
        if expected.get(code) != seen.get(code):
            fault(code, f"catalogue.json has {seen.get(code)}, the shapes {expected.get(code)}")
    callee = sum(1 for e in exports if e["convention"] == "callee-pops")
    want = (len(expected), sum(1 for pops, _, _ in expected.values() if pops == "callee"))
    if (len(exports), callee) != want:
        fault("document", f"{len(exports)} exports, {callee} callee-pops; the shapes have {want[0]} and {want[1]}")
    for line in faults[:20]:
        print(line)
    if faults:
        print(f"{len(faults)} faults")
        return 1
    print(f"{len(exports)} exports hold to the schema and the shapes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
