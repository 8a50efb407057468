#!/usr/bin/env python3
"""How scripts/test.sh books results: ctest reports, GoogleTest reports, warnings."""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

ROOT = os.environ.get("TPX_SOURCE_DIR") or os.path.dirname(
    os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
COUNT = os.path.join(ROOT, "scripts", "count_tests.py")
LIB = os.path.join(ROOT, "scripts", "lib.sh")


def ctest_junit(cases):
    """A CTest JUnit report; cases are (name, status, skipped message or None)."""
    body = []
    for name, status, skipped in cases:
        inner = '<skipped message="%s"/>' % skipped if skipped is not None else ""
        if status == "fail":
            inner = '<failure message="Failed"/>'
        body.append('<testcase name="%s" classname="%s" time="1" status="%s">%s</testcase>'
                    % (name, name, status, inner))
    return '<?xml version="1.0"?><testsuite name="x" tests="%d">%s</testsuite>' % (
        len(cases), "".join(body))


def gtest_xml(cases):
    """A GoogleTest XML report; cases are (suite, name, kind) with kind in
    pass, fail, skip, disabled."""
    body = []
    for suite, name, kind in cases:
        attrs = 'name="%s" classname="%s"' % (name, suite)
        if kind == "disabled":
            body.append('<testcase %s status="notrun" result="suppressed"/>' % attrs)
        elif kind == "skip":
            body.append('<testcase %s status="run" result="skipped"><skipped message="no"/>'
                        '</testcase>' % attrs)
        elif kind == "fail":
            body.append('<testcase %s status="run" result="completed"><failure message="x"/>'
                        '</testcase>' % attrs)
        else:
            body.append('<testcase %s status="run" result="completed"/>' % attrs)
    return ('<?xml version="1.0"?><testsuites><testsuite name="s">%s</testsuite></testsuites>'
            % "".join(body))


class Bookkeeping(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.ledger = os.path.join(self.dir, "ledger.tsv")
        self.results = os.path.join(self.dir, "results")
        os.mkdir(self.results)

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def add_ctest(self, group, cases):
        junit = self.write(group + "-junit.xml", ctest_junit(cases))
        subprocess.run([sys.executable, COUNT, "ctest", self.ledger, group, junit, self.results],
                       check=True)

    def summary(self):
        run = subprocess.run([sys.executable, COUNT, "summary", self.ledger],
                             capture_output=True, text=True)
        return run.returncode, run.stdout.splitlines()

    def ledger_lines(self):
        with open(self.ledger, encoding="utf-8") as f:
            return [line.rstrip("\n").split("\t") for line in f]

    def test_ctest_statuses(self):
        # Native: one CTest test per case; skips are only those ctest skipped on purpose.
        self.add_ctest("native", [
            ("A.passes", "run", None),
            ("A.fails", "fail", None),
            ("A.skips", "notrun", "SKIP_REGULAR_EXPRESSION_MATCHED"),
            ("A.missing_program", "notrun", "Unable to find executable"),
            ("A.off", "disabled", None),
        ])
        got = {name: status for status, _, name in self.ledger_lines()}
        self.assertEqual(got, {"A.passes": "pass", "A.fails": "fail", "A.skips": "skip",
                               "A.missing_program": "fail", "A.off": "skip"})
        code, out = self.summary()
        self.assertEqual(code, 1)
        self.assertEqual(out[-1], "1 passed, 2 failed")

    def test_windows_binaries_count_their_cases(self):
        self.write("results/unit.xml", gtest_xml([
            ("S", "one", "pass"), ("S", "two", "pass"), ("S", "three", "fail"),
            ("S", "four", "skip"), ("S", "DISABLED_five", "disabled")]))
        # Cases all passed, yet the process failed (say, a crash at exit).
        self.write("results/exits_badly.xml", gtest_xml([("T", "ok", "pass")]))
        # A report cut short by a crash counts as the process' own status.
        self.write("results/torn.xml", "<?xml version='1.0'?><testsuites><testsuite")
        self.add_ctest("win64", [
            ("unit", "fail", None),
            ("exits_badly", "fail", None),
            ("torn", "fail", None),
            ("crashed_before_report", "fail", None),
            ("script_check", "run", None),
        ])
        lines = self.ledger_lines()
        self.assertIn(["fail", "win64", "unit: S.three"], lines)
        self.assertIn(["skip", "win64", "unit: S.DISABLED_five"], lines)
        self.assertIn(["fail", "win64", "exits_badly: process failed after its cases"], lines)
        self.assertIn(["fail", "win64", "torn"], lines)
        self.assertIn(["fail", "win64", "crashed_before_report"], lines)
        # "unit" failed through a case of its own: no extra failure for the process.
        self.assertNotIn(["fail", "win64", "unit: process failed after its cases"], lines)
        code, out = self.summary()
        self.assertEqual(code, 1)
        # pass: one, two, T.ok, script_check; fail: three, exits_badly, torn, crashed.
        self.assertEqual(out[-1], "4 passed, 4 failed")
        self.assertEqual(out[-2], "2 skipped")

    def test_summary_lines(self):
        code, out = self.summary()  # no ledger at all: nothing ran, nothing failed
        self.assertEqual((code, out[-1]), (0, "0 passed, 0 failed"))
        with open(self.ledger, "w", encoding="utf-8") as f:
            f.write("pass\tfuzz\tarchive_fuzzer\n")
            f.write("garbage line\n")
            f.write("fail\tbuild\twin32: build failed\n")
        code, out = self.summary()
        self.assertEqual(code, 1)
        self.assertIn("  build: win32: build failed", out)
        self.assertEqual(out[-1], "1 passed, 1 failed")

    def test_missing_ctest_report_is_a_failure(self):
        subprocess.run([sys.executable, COUNT, "ctest", self.ledger, "win64",
                        os.path.join(self.dir, "absent.xml"), self.results], check=True)
        self.assertEqual(self.summary()[1][-1], "0 passed, 1 failed")

    def test_skip_with_a_reason(self):
        # A whole tree that cannot run (no Wine for it) is a skip that says why: it
        # neither passes nor fails, and the summary names the reason.
        self.add_ctest("native", [("A.passes", "run", None)])
        subprocess.run([sys.executable, COUNT, "skip", self.ledger, "win32", "all tests",
                        "WoW64 Wine unavailable:\tdownload\nfailed"], check=True)
        self.assertIn(["skip", "win32", "all tests", "WoW64 Wine unavailable: download failed"],
                      self.ledger_lines())
        code, out = self.summary()
        self.assertEqual(code, 0)
        self.assertIn("  win32             0 passed, 0 failed, 1 skipped", out)
        skipped = out.index("Skipped:")
        self.assertEqual(out[skipped + 1],
                         "  win32: all tests: WoW64 Wine unavailable: download failed")
        self.assertEqual(out[-2:], ["1 skipped", "1 passed, 0 failed"])

    def test_skips_without_reason_are_only_counted(self):
        self.write("results/unit.xml", gtest_xml([("S", "DISABLED_x", "disabled")]))
        self.add_ctest("win32", [("unit", "run", None)])
        code, out = self.summary()
        self.assertNotIn("Skipped:", out)
        self.assertEqual(out[-2], "1 skipped")

    def test_wine_of_each_tree(self):
        # The i686 tree runs under the WoW64 Wine in the build folder, win64 under the
        # system's; each in its own prefix.
        script = ('source "$1"; for t in win64 win32; do wine_run_cmd $t; '
                  'echo "${WINE_RUN[*]#$ROOT/}"; done')
        run = subprocess.run(["bash", "-c", script, "_", LIB], capture_output=True, text=True,
                             check=True)
        self.assertEqual(run.stdout.splitlines(), [
            "cmake/wine-run.sh build/win64/wineprefix",
            "cmake/wine-run.sh --wine build/wine-wow64/root/usr/lib/x86_64-linux-gnu/wine/wine "
            "build/win32/wineprefix"])

    def test_warnings_of_project_code_only(self):
        logs = os.path.join(self.dir, "logs")
        os.mkdir(logs)
        with open(os.path.join(logs, "win64-build.log"), "w") as f:
            f.write(textwrap.dedent("""\
                [1/9] Building CXX object src/app/x.cpp.obj
                /p/src/app/x.cpp:3:9: warning: unused variable 'n' [-Wunused-variable]
                /usr/src/googletest/googletest/src/gtest.cc:1:1: warning: shadowed [-Wshadow]
                /usr/bin/ld: warning: something about the link
                /p/src/app/x.cpp:3:9: note: declared here
                """))
        script = 'source "$1"; LOGS="$2"; count_warnings win64; count_warnings absent'
        run = subprocess.run(["bash", "-c", script, "_", LIB, logs],
                             capture_output=True, text=True, check=True)
        self.assertEqual(run.stdout.split(), ["2", "0"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
