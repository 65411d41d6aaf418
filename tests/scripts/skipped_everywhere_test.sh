#!/usr/bin/env bash
# The test command's check that every test runs somewhere, on saved CTest logs (logs/): plain.log
# and asan.log are a plain and a sanitizer build's runs, plain-x11.log the plain build's X11
# entries, plain-again.log the plain build's run once more of what was skipped everywhere.
# Nothing here prints a line of a log: this test's own output lands in the log the check reads.
# Usage: skipped_everywhere_test.sh [SCRIPT]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
check=${1:-$here/../../scripts/skipped-everywhere}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $1"
  if [ -s "$work/err" ]; then sed 's/^/    | /' "$work/err"; fi
  failures=$((failures + 1))
}

# A fresh results file and two build folders whose logs the saved ones stand in for.
start() {
  rm -rf "$work/plain" "$work/asan" "$work/results" "$work/err"
  mkdir -p "$work/plain/Testing/Temporary" "$work/asan/Testing/Temporary"
  : >"$work/results"
}
# keep BUILD LOG: the saved LOG as BUILD's last run of ctest, kept.
keep() {
  cp "$here/logs/$2" "$work/$1/Testing/Temporary/LastTest.log"
  "$check" keep "$work/results" "$work/$1" 2>"$work/err"
}
run_check() {
  "$check" check "$work/results" 2>"$work/err"
}
# The names listed under a heading of the check's report.
listed_under() {
  awk -v heading="$1" '/^[^ ]/ { on = index($0, heading) == 1; next } on { print }' "$work/err"
}

# A test skipped in every entry that ran it, in both builds, is named and fails the run; one run
# in another entry, or in the other build, is not named.
start
keep plain plain.log && keep plain plain-x11.log && keep asan asan.log || fail "the saved logs are kept"
if run_check; then fail "a test skipped in every entry fails the run"; fi
never=$(listed_under "Skipped in every entry that ran them:")
[ "$never" = "  BareSkipTest.SkipsWithNoReasonGiven" ] || fail "only the test skipped everywhere is named: got '$never'"
# Each test skipped everywhere runs once more in the plain build, by its entries there.
again=$("$check" again "$work/results" "$work/plain" 2>"$work/err")
expected="NamespaceTest.FindsAHostOnItsOwnNetwork
match_one_process"
[ "$again" = "$expected" ] || fail "the plain build's entries of them run again: got '$again'"
again=$("$check" again "$work/results" "$work/elsewhere" 2>"$work/err")
[ -z "$again" ] || fail "a build that ran none of them runs nothing again: got '$again'"

# Skipped for what this machine withholds: named with why, and the run passes. The test with no
# reason ran when run once more.
start
keep plain plain.log && keep plain plain-x11.log && keep asan asan.log && keep plain plain-again.log ||
  fail "the saved logs are kept"
run_check || fail "skips for what the machine withholds, and tests run somewhere, pass"
machine=$(listed_under "Skipped in every entry that ran them, for what this machine withholds:")
expected="  BroadcastTest.HearsItsOwnBroadcasts: this machine withholds a network that carries its own broadcasts back to it
  NamespaceTest.FindsAHostOnItsOwnNetwork: this machine withholds a network namespace of the test's own"
[ "$machine" = "$expected" ] || fail "the tests the machine stops are named with why: got '$machine'"
[ -z "$(listed_under "Skipped in every entry that ran them:")" ] || fail "nothing is named as never run"

# Without the X11 entries, the test that needs a display is skipped everywhere.
start
keep plain plain.log && keep asan asan.log || fail "the saved logs are kept"
if run_check; then fail "a test that only a display entry runs fails without it"; fi
listed_under "Skipped in every entry that ran them:" | grep -qx "  DisplayTest.DrawsInARealWindow" ||
  fail "the test that needs a display is named"

# A log that is missing or names no entry, and an entry whose test program ran no test, fail the
# run and keep nothing.
start
if "$check" keep "$work/results" "$work/plain" 2>"$work/err"; then fail "a missing log fails"; fi
if keep plain no-entry.log; then fail "a log of no entry fails"; fi
if keep plain ran-nothing.log; then fail "an entry that ran no test fails"; fi
grep -qx "  gfx_x11_window" "$work/err" || fail "the entry that ran no test is named"
[ ! -s "$work/results" ] || fail "nothing of a failing log is kept"
if run_check; then fail "the check with nothing kept fails"; fi

# Programs that run in parts: every test a build's programs hold must run in some entry of that
# build. Stand-in programs list their tests as GoogleTest does.
program() {
  mkdir -p "$work/$1/tests"
  printf '#!/bin/sh\ncat <<"LIST"\n%s\nLIST\n' "$3" >"$work/$1/tests/$2"
  chmod +x "$work/$1/tests/$2"
}
listed() {
  "$check" listed "$work/results" "$work/$1" 2>"$work/err"
}
start
keep plain plain.log && keep plain plain-x11.log && keep asan asan.log && keep plain plain-again.log ||
  fail "the saved logs are kept"
program plain test_one "PlainTest.
  RunsEverywhere
DisplayTest.
  DrawsInARealWindow"
program asan test_one "SanitizerTest.
  IsTooSlowUnderTheSanitizers"
# Not a program: left alone.
: >"$work/plain/tests/test_notes.txt"
listed plain && listed asan || fail "the programs' tests are listed"
run_check || fail "tests that each ran in their build pass"
[ -z "$(listed_under "Held by a test program but run by no entry of its build:")" ] ||
  fail "nothing is named as run nowhere"

# A test that no entry of its build ran fails the run, named with its build, even where the other
# build ran it; a parameterised test is named as it runs.
start
keep plain plain.log && keep plain plain-x11.log && keep asan asan.log && keep plain plain-again.log ||
  fail "the saved logs are kept"
program plain test_one "PlainTest.
  RunsEverywhere
Kinds/ParamTest.
  EachKind/0  # GetParam() = 0"
program asan test_one "PlainTest.
  RunsEverywhere
SanitizerTest.
  IsTooSlowUnderTheSanitizers"
listed plain && listed asan || fail "the programs' tests are listed"
if run_check; then fail "a test run by no entry of its build fails the run"; fi
unrun=$(listed_under "Held by a test program but run by no entry of its build:")
expected="  Kinds/ParamTest.EachKind/0 ($work/plain)
  PlainTest.RunsEverywhere ($work/asan)"
[ "$unrun" = "$expected" ] || fail "the tests run nowhere in their build are named: got '$unrun'"

# A program that cannot list its tests, or a build with none, fails.
start
mkdir -p "$work/plain/tests"
printf '#!/bin/sh\nexit 1\n' >"$work/plain/tests/test_broken"
chmod +x "$work/plain/tests/test_broken"
if listed plain; then fail "a program that cannot list its tests fails"; fi
if listed asan; then fail "a build without test programs fails"; fi

if [ $failures -gt 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "all checks passed"
