#!/usr/bin/env python3
"""Test bookkeeping for scripts/test.sh.

A ledger file holds one line per check: "<pass|fail|skip>\t<group>\t<name>", and for
a check skipped for a reason worth telling "skip\t<group>\t<name>\t<reason>".

  count_tests.py ctest LEDGER GROUP JUNIT RESULT_DIR
      Adds the tests of one ctest run. A test whose program left a GoogleTest XML
      report RESULT_DIR/<test>.xml (every Windows test binary does) counts as its
      individual cases; any other test (a native case, a script) counts as one.
  count_tests.py gtest LEDGER GROUP NAME XML
      Adds the cases of one GoogleTest XML report of a run outside ctest; a missing
      or broken report is one failure.
  count_tests.py skip LEDGER GROUP NAME REASON
      Adds one check that could not run at all (say, a missing Wine), with the reason.
  count_tests.py summary LEDGER
      Prints the counts per group, the failed checks, the checks skipped with a
      reason, and last "N passed, M failed".
"""

import os
import sys
import xml.etree.ElementTree as ET


def gtest_cases(path):
    """(status, name) for every case of a GoogleTest XML report."""
    cases = []
    for case in ET.parse(path).getroot().iter("testcase"):
        name = "%s.%s" % (case.get("classname", "?"), case.get("name", "?"))
        if case.find("failure") is not None or case.find("error") is not None:
            cases.append(("fail", name))
        elif case.get("result") == "skipped" or case.get("status") == "notrun":
            cases.append(("skip", name))  # GTEST_SKIP, or a DISABLED_ case
        else:
            cases.append(("pass", name))
    return cases


def ctest_status(case):
    status = case.get("status")
    if status == "run":
        return "pass"
    if status == "disabled":
        return "skip"
    if status == "notrun":
        skipped = case.find("skipped")
        message = skipped.get("message", "") if skipped is not None else ""
        # Skipped on purpose; "not run" for any other reason (no executable, a failed
        # fixture) is a failure.
        return "skip" if message.startswith("SKIP_") else "fail"
    return "fail"


def clean(text):
    return text.replace("\t", " ").replace("\n", " ")


def add_skip(ledger, group, name, reason):
    with open(ledger, "a", encoding="utf-8") as out:
        out.write("skip\t%s\t%s\t%s\n" % (clean(group), clean(name), clean(reason) or "?"))


def add_ctest(ledger, group, junit, result_dir):
    lines = []
    if not os.path.exists(junit):
        lines.append(("fail", group, "ctest wrote no report (%s)" % junit))
    else:
        for case in ET.parse(junit).getroot().iter("testcase"):
            test = case.get("name", "?")
            status = ctest_status(case)
            report = os.path.join(result_dir, test + ".xml")
            cases = []
            if os.path.exists(report):
                try:
                    cases = gtest_cases(report)
                except ET.ParseError:
                    cases = []
            if not cases:
                lines.append((status, group, test))
                continue
            lines.extend((s, group, "%s: %s" % (test, n)) for s, n in cases)
            # The process failed although its cases passed: a crash on the way out,
            # a leak report, a wrong exit code. That is a failure of its own.
            if status == "fail" and all(s != "fail" for s, _ in cases):
                lines.append(("fail", group, "%s: process failed after its cases" % test))
    with open(ledger, "a", encoding="utf-8") as out:
        for status, grp, name in lines:
            out.write("%s\t%s\t%s\n" % (status, grp, clean(name)))


def summary(ledger):
    groups = {}
    failed = []
    reasons = []
    totals = {"pass": 0, "fail": 0, "skip": 0}
    if os.path.exists(ledger):
        with open(ledger, encoding="utf-8") as f:
            for line in f:
                parts = line.rstrip("\n").split("\t", 3)
                if len(parts) not in (3, 4) or parts[0] not in totals:
                    continue
                status, group, name = parts[:3]
                if status == "skip" and len(parts) == 4:
                    reasons.append("%s: %s: %s" % (group, name, parts[3]))
                counts = groups.setdefault(group, {"pass": 0, "fail": 0, "skip": 0})
                counts[status] += 1
                totals[status] += 1
                if status == "fail":
                    failed.append("%s: %s" % (group, name))
    print("Summary")
    for group, c in groups.items():
        print("  %-14s %4d passed, %d failed, %d skipped" % (group, c["pass"], c["fail"], c["skip"]))
    if failed:
        print("Failed:")
        for name in failed:
            print("  " + name)
    if reasons:
        print("Skipped:")
        for reason in reasons:
            print("  " + reason)
    print("%d skipped" % totals["skip"])
    print("%d passed, %d failed" % (totals["pass"], totals["fail"]))
    return 1 if totals["fail"] else 0


def add_gtest(ledger, group, name, report):
    try:
        cases = gtest_cases(report)
        lines = [(s, group, "%s: %s" % (name, n)) for s, n in cases]
    except (OSError, ET.ParseError):
        lines = [("fail", group, "%s: no report (%s)" % (name, report))]
    with open(ledger, "a", encoding="utf-8") as out:
        for line in lines:
            out.write("%s\t%s\t%s\n" % tuple(clean(x) for x in line))


def main(argv):
    if len(argv) == 6 and argv[1] == "ctest":
        add_ctest(*argv[2:6])
        return 0
    if len(argv) == 3 and argv[1] == "summary":
        return summary(argv[2])
    if len(argv) == 6 and argv[1] == "gtest":
        add_gtest(*argv[2:6])
        return 0
    if len(argv) == 6 and argv[1] == "skip":
        add_skip(*argv[2:6])
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
