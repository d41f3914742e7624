#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Largest event-loop gaps of the main window against misbehaving servers.

Runs the built hostile-server suites (tst_hostile_http, tst_hostile_pictures;
give their paths, best from a release build), reads the lines

    loop-gap case=<function>:<row> max_ms=<n>

they print, and prints a table of case and largest gap. Exits 1 when a gap exceeds the
limit (100 ms unless --limit says otherwise), 2 when a suite fails or prints no gap.

    python3 bench/hostile_gaps.py build-rel/tests/tst_hostile_http \\
        build-rel/tests/tst_hostile_pictures
"""

import argparse
import os
import pathlib
import re
import subprocess
import sys
import tempfile

GAP_LINE = re.compile(r"loop-gap case=(?P<case>.*?) max_ms=(?P<ms>\d+)\s*$")


def suite_environment(scratch: pathlib.Path, source_dir: pathlib.Path) -> dict:
    """The environment the suites get from CTest: settings roots in a scratch folder, the
    offscreen platform and the test data folder."""
    env = dict(os.environ)
    env.update({
        "OCELLUS_USER_SETTINGS_ROOT": str(scratch / "user-config"),
        "OCELLUS_MACHINE_SETTINGS_ROOT": str(scratch / "machine"),
        "XDG_CONFIG_HOME": str(scratch / "xdg-config"),
        "XDG_DATA_HOME": str(scratch / "xdg-data"),
        "OCELLUS_TEST_DATA": str(source_dir / "tests" / "data"),
        "OCELLUS_SOURCE_DIR": str(source_dir),
        "QT_QPA_PLATFORM": "offscreen",
        "QT_LOGGING_RULES": "qt.qpa.*=false",
    })
    return env


def parse_gaps(output: str) -> list:
    """(case, max_ms) for every gap line, in order."""
    gaps = []
    for line in output.splitlines():
        match = GAP_LINE.search(line)
        if match:
            gaps.append((match.group("case"), int(match.group("ms"))))
    return gaps


def run_suite(binary: pathlib.Path, env: dict, timeout: int):
    """Runs one suite; returns (exit code, its output)."""
    try:
        done = subprocess.run([str(binary)], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              stdin=subprocess.DEVNULL, text=True, errors="replace", timeout=timeout)
    except subprocess.TimeoutExpired as expired:
        output = expired.stdout or ""
        if isinstance(output, bytes):
            output = output.decode("utf-8", "replace")
        return -1, output + f"\n{binary.name}: stopped after {timeout} s\n"
    return done.returncode, done.stdout


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("suites", nargs="+", type=pathlib.Path, help="paths of the built suite binaries")
    parser.add_argument("--limit", type=int, default=100, help="largest acceptable gap in ms (default 100)")
    parser.add_argument("--timeout", type=int, default=900, help="seconds one suite may run (default 900)")
    parser.add_argument("--source-dir", type=pathlib.Path,
                        default=pathlib.Path(__file__).resolve().parent.parent,
                        help="the source tree (for tests/data)")
    args = parser.parse_args()

    rows = []
    failed_suites = []
    with tempfile.TemporaryDirectory(prefix="hostile-gaps-") as scratch:
        env = suite_environment(pathlib.Path(scratch), args.source_dir.resolve())
        for suite in args.suites:
            if not suite.is_file():
                print(f"{suite}: no such file", file=sys.stderr)
                failed_suites.append(str(suite))
                continue
            code, output = run_suite(suite.resolve(), env, args.timeout)
            gaps = parse_gaps(output)
            if code != 0 or not gaps:
                failed_suites.append(suite.name)
                sys.stderr.write(output)
                print(f"{suite.name}: exit code {code}, {len(gaps)} gap lines", file=sys.stderr)
            rows.extend((suite.name, case, ms) for case, ms in gaps)

    if rows:
        width = max(len(f"{suite}::{case}") for suite, case, _ in rows)
        print(f"{'case'.ljust(width)}  max gap ms")
        print(f"{'-' * width}  ----------")
        for suite, case, ms in rows:
            mark = "  > limit" if ms > args.limit else ""
            print(f"{(suite + '::' + case).ljust(width)}  {ms:>10}{mark}")
    over = [row for row in rows if row[2] > args.limit]
    print(f"{len(rows)} cases, largest gap {max((r[2] for r in rows), default=0)} ms, "
          f"{len(over)} above {args.limit} ms")
    if failed_suites:
        print("failed or silent suites: " + ", ".join(failed_suites), file=sys.stderr)
        return 2
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
