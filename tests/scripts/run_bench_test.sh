#!/usr/bin/env bash
# The test command's run of a benchmark program (scripts/run-bench), against a stand-in program
# that prints benchmark lines as planned for each of its runs: only the frame verdict's error gets
# a second run, alone; any other error fails the first time.
# Usage: run_bench_test.sh [SCRIPT]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
runner=${1:-$here/../../scripts/run-bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $1"
  if [ -s "$work/err" ]; then sed 's/^/    | /' "$work/err"; fi
  failures=$((failures + 1))
}

# The stand-in: each line of plan.txt is a benchmark's name and what it does in the program's
# first, second, ... run (ok, verdict: the frame verdict's error, fault: any other error, gone: not
# listed in that run); a line "exit N" ends every run with N. As the library does, it writes the
# table's head over the first line and, when its filter matches nothing, only a warning on its
# error output, and ends with 0. Each run's arguments go to calls.txt, one run a line.
cat >"$work/bench" <<'EOF'
#!/usr/bin/env bash
dir=$(dirname "$0")
echo "$*" >>"$dir/calls.txt"
run=$(wc -l <"$dir/calls.txt")
filter=.
for arg in "$@"; do
  case $arg in --benchmark_filter=*) filter=${arg#--benchmark_filter=} ;; esac
done
echo "Running $0" >&2
rows=0
row() {
  if [ $rows -eq 0 ]; then echo "Benchmark                          Time             CPU   Iterations"; fi
  rows=$((rows + 1))
  printf "$@"
}
status=0
while read -r name outcomes; do
  if [ "$name" = exit ]; then status=$outcomes; continue; fi
  grep -Eq -- "$filter" <<<"$name" || continue
  set -- $outcomes
  shift $((run - 1))
  case ${1:-ok} in
    ok) row '%-30s %8s ms %8s ms %8s\n' "$name" 1.25 1.20 100 ;;
    verdict) row '%-30s ERROR OCCURRED: '\''frame verdict: the raw copy takes more wall time than the game (median ratio 0.950, slower in 13 of 15 blocks): it is no floor'\''\n' "$name" ;;
    fault) row '%-30s ERROR OCCURRED: '\''the picture differs from the frame verdict: a fault'\''\n' "$name" ;;
  esac
done <"$dir/plan.txt"
if [ $rows -eq 0 ]; then echo "Failed to match any benchmarks against regex: $filter" >&2; fi
exit "$status"
EOF
chmod +x "$work/bench"

frame=FrameBesideRawOpenGL/demo/manual_time
# plan LINE...: the stand-in's plan for a fresh run of the runner.
plan() {
  printf '%s\n' "$@" >"$work/plan.txt"
  : >"$work/calls.txt"
  rm -f "$work/err"
}
# run_runner [FILTER]
run_runner() {
  "$runner" "frame benchmark" "$work/bench" --benchmark_filter="${1:-.}" >"$work/out" 2>"$work/err"
}
runs() { wc -l <"$work/calls.txt"; }

# Nothing errs: one run, passed, its lines shown.
plan "MatchFrame ok" "$frame ok"
run_runner || fail "a run without errors passes"
[ "$(runs)" -eq 1 ] || fail "a run without errors runs once: ran $(runs) times"
grep -q "^MatchFrame " "$work/out" || fail "the benchmarks' lines are shown"

# Any error other than the verdict fails at once, named, even one the frame benchmark reports,
# whose text speaks of the verdict, or one that comes beside a verdict's error.
plan "MatchFrame fault ok" "$frame ok ok"
if run_runner; then fail "another error fails the run"; fi
[ "$(runs)" -eq 1 ] || fail "another error is not run again: ran $(runs) times"
grep -q "MatchFrame" "$work/err" || fail "the benchmark that erred is named"
plan "$frame fault ok"
if run_runner; then fail "another error of the frame benchmark fails the run"; fi
[ "$(runs)" -eq 1 ] || fail "another error of the frame benchmark is not run again: ran $(runs) times"
plan "MatchFrame fault ok" "$frame verdict ok"
if run_runner; then fail "another error beside the verdict's fails the run"; fi
[ "$(runs)" -eq 1 ] || fail "another error beside the verdict's is not run again: ran $(runs) times"

# The verdict's error runs once more, alone: passed there, the run passes.
plan "MatchFrame ok ok" "$frame verdict ok" "FrameBesideRawOpenGL/world/manual_time ok ok"
run_runner || fail "a verdict that passes its second run passes"
[ "$(runs)" -eq 2 ] || fail "the verdict's error is run again once: ran $(runs) times"
expected="--benchmark_filter=. --benchmark_filter=^(FrameBesideRawOpenGL/demo/manual_time)\$"
[ "$(sed -n 2p "$work/calls.txt")" = "$expected" ] ||
  fail "the second run is of that benchmark alone: got '$(sed -n 2p "$work/calls.txt")'"

# A verdict that errs again, or that gives way to another error, fails the run, named.
plan "$frame verdict verdict"
if run_runner; then fail "a verdict that errs again fails the run"; fi
grep -q "$frame reported an error again" "$work/err" || fail "the benchmark that erred again is named"
plan "$frame verdict fault"
if run_runner; then fail "another error in the verdict's second run fails the run"; fi

# A run in which no benchmark ran fails, the first time or the verdict's second: the library only
# warns when its filter matches nothing.
plan "MatchFrame ok" "$frame ok"
if run_runner NoSuch; then fail "a filter that matches nothing fails the run"; fi
[ "$(runs)" -eq 1 ] || fail "a run of nothing is not run again: ran $(runs) times"
grep -q "no benchmark ran" "$work/err" || fail "a run of nothing says so"
plan "exit 0"
if run_runner; then fail "a program without benchmarks fails the run"; fi
plan "MatchFrame ok gone" "$frame verdict gone"
if run_runner; then fail "a verdict's second run of nothing fails the run"; fi
grep -q "$frame did not run again" "$work/err" || fail "the benchmark that did not run again is named"

# A program that ends with an error code fails the run, the first time.
plan "$frame ok" "exit 3"
if run_runner; then fail "a program ending with an error code fails the run"; fi
[ "$(runs)" -eq 1 ] || fail "a program that failed is not run again: ran $(runs) times"

if [ $failures -gt 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "all checks passed"
