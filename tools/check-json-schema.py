#!/usr/bin/env python3
"""Validates quillon's JSON against model/machine.schema.json with a real JSON
Schema validator (python3-jsonschema), and checks the facts of the sample server.

    python3 tools/check-json-schema.py BUILD_DIR

BUILD_DIR is the native build: its quillon program is run on the sample server
(--json, its report read back with read-report --json, and diff --json of the
two), and every file the scenario tests left in BUILD_DIR/machine-json/ is
validated too. Exit status 0 only when everything is valid."""
import json
import pathlib
import subprocess
import sys
import tempfile

import jsonschema

ROOT = pathlib.Path(__file__).resolve().parent.parent
SAMPLE = ROOT / "examples" / "sample-server"

# What the sample server holds (examples/sample-server.description).
SAMPLE_FACTS = [
    (("drivers", "ELXSTOR.sys", "version"), "7.1.12.0"),
    (("drivers", "ql2300.sys", "version"), "9.1.4.10"),
    (("markers", "Tavish.exe", "version"), "2.1.0.7"),
    (("adapters", "Emulex StorPort", "parameters"), {"QueueDepth": 32, "QueueTarget": 1, "LinkTimeOut": 40,
                                                     "NodeTimeOut": 10, "CoalesceMsCnt": 0}),
    (("adapters", "Emulex StorPort", "configuration"), "Best Configured For Multi Path"),
    (("adapters", "Emulex StorPort", "counts"), {"NumFcpContext": 1024}),
    (("adapters", "QLogic StorPort", "configuration"), "All Modes Supported"),
    (("adapters", "QLogic StorPort", "reset_bus"), 1),
]


def fact(doc, path):
    array, name, key = path
    id_key = "name" if array == "adapters" else "file"
    for element in doc[array]:
        if element[id_key] == name:
            return element.get(key)
    return None


def run(*args, expect=(0,)):
    done = subprocess.run([str(a) for a in args], capture_output=True, check=False)
    if done.returncode not in expect:
        sys.exit(f"check-json-schema: {' '.join(map(str, args))} exited {done.returncode}: {done.stderr.decode()}")
    return json.loads(done.stdout)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = pathlib.Path(sys.argv[1])
    quillon = build / "quillon"
    schema = json.loads((ROOT / "model" / "machine.schema.json").read_text())
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)

    documents = {}
    with tempfile.TemporaryDirectory() as out:
        documents["sample --json"] = run(quillon, "--root", SAMPLE, "--output", out, "--json")
        subprocess.run([str(quillon), "--root", str(SAMPLE), "--output", out, "--report"], capture_output=True,
                       check=True)
        report = pathlib.Path(out) / "Halvorn" / "Version" / "SysInfo.log"
        documents["sample read-report --json"] = run(quillon, "read-report", report, "--json")
        facts = pathlib.Path(out) / "facts.json"
        facts.write_text(json.dumps(documents["sample --json"]))
        documents["sample diff --json"] = run(quillon, "diff", "--json", facts, report)
    for path in sorted((build / "machine-json").glob("*.json")):
        documents[str(path.relative_to(build))] = json.loads(path.read_text())
    if len(documents) < 9:
        sys.exit(f"check-json-schema: only {len(documents)} documents; the scenario tests write theirs first")

    failed = 0
    for name, doc in documents.items():
        errors = list(validator.iter_errors(doc))
        for error in errors[:5]:
            print(f"  INVALID {name}: {'/'.join(map(str, error.absolute_path))}: {error.message[:200]}")
        print(f"  {'ok   ' if not errors else 'FAIL '} {name}")
        failed += bool(errors)

    sample = documents["sample --json"]
    for path, expected in SAMPLE_FACTS:
        if fact(sample, path) != expected:
            print(f"  FAIL  sample {'/'.join(path)}: {fact(sample, path)!r}, expected {expected!r}")
            failed += 1
    if not documents["sample diff --json"]["equal"]:
        print("  FAIL  the sample server differs from its own report")
        failed += 1
    # The validator must reject what the schema forbids.
    broken = json.loads(json.dumps(sample))
    broken["drivers"][0]["version"] = 7
    if validator.is_valid(broken):
        print("  FAIL  a version given as a number passed the schema")
        failed += 1

    print("check-json-schema:", "PASS" if failed == 0 else f"{failed} FAILED", f"({len(documents)} documents)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
