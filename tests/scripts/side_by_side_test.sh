#!/usr/bin/env bash
# The test command's parts run at once (scripts/side-by-side), against a stand-in program that
# tells its part by the sharding variables, as a test program does.
# Usage: side_by_side_test.sh [SCRIPT]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
runner=${1:-$here/../../scripts/side-by-side}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $1"
  if [ -s "$work/out" ]; then sed 's/^/    | /' "$work/out"; fi
  failures=$((failures + 1))
}

# The stand-in: part I of N writes its mark, then waits up to 10 s for every other part's, so that
# parts run one after another never end well; it prints three lines with pauses between, so that
# parts printing as they go would mix, and ends with the code its arguments name for its part
# ("fail=I"); "hang" makes part 0 wait for good.
cat >"$work/program" <<'EOF2'
#!/usr/bin/env bash
dir=$(dirname "$0")
i=$GTEST_SHARD_INDEX n=$GTEST_TOTAL_SHARDS
echo "$*" >"$dir/args-$i"
touch "$dir/mark-$i"
for ((k = 0; k < n; k++)); do
  for ((t = 0; t < 100; t++)); do [ -e "$dir/mark-$k" ] && break; sleep 0.1; done
  [ -e "$dir/mark-$k" ] || { echo "part $i of $n: part $k never started"; exit 3; }
done
for line in 1 2 3; do echo "part $i of $n: line $line"; sleep 0.1; done
for arg in "$@"; do
  [ "$arg" = "fail=$i" ] && { echo "part $i of $n: failed" >&2; exit 1; }
  [ "$arg" = hang ] && [ "$i" = 0 ] && exec -a "$0-hanging" sleep 1000
done
exit 0
EOF2
chmod +x "$work/program"
fresh() { rm -f "$work"/mark-* "$work"/args-*; }

# Three parts at once: each sees the others start, each part's output whole and in part order,
# the arguments passed on to each.
fresh
if "$runner" 3 "$work/program" --gtest_filter=A.* >"$work/out" 2>&1; then
  expected=$(for i in 0 1 2; do for line in 1 2 3; do echo "part $i of 3: line $line"; done; done)
  [ "$(cat "$work/out")" = "$expected" ] || fail "three parts: output not each part whole, in order"
  for i in 0 1 2; do
    [ "$(cat "$work/args-$i" 2>/dev/null)" = "--gtest_filter=A.*" ] || fail "three parts: part $i's arguments"
  done
else
  fail "three parts that all pass: the run failed"
fi

# One part failing fails the run, whichever it is, and its error output is shown with the rest.
for bad in 0 1; do
  fresh
  if "$runner" 2 "$work/program" "fail=$bad" >"$work/out" 2>&1; then
    fail "part $bad failing: the run passed"
  else
    grep -q "^part $bad of 2: failed$" "$work/out" || fail "part $bad failing: its error output is not shown"
    grep -q "^part $((1 - bad)) of 2: line 3$" "$work/out" || fail "part $bad failing: the other part's output is lost"
  fi
done

# A run stopped by its time-out shows what its parts printed so far and leaves none running.
fresh
"$runner" 2 "$work/program" hang >"$work/out" 2>&1 &
run=$!
# Both parts have printed their lines once both marks are there and a second has passed.
for ((t = 0; t < 100; t++)); do [ -e "$work/mark-0" ] && [ -e "$work/mark-1" ] && break; sleep 0.1; done
sleep 1
kill -TERM "$run"
if wait "$run"; then fail "a stopped run passed"; fi
grep -q "^part 0 of 2: line 3$" "$work/out" || fail "a stopped run: the hanging part's output is lost"
grep -q "^part 1 of 2: line 3$" "$work/out" || fail "a stopped run: the finished part's output is lost"
if pgrep -f "$work/program" >/dev/null; then
  fail "a stopped run left a part running"
  pkill -f "$work/program"
fi

# No part count, or none at all: a usage error.
for args in "" "0 $work/program" "x $work/program"; do
  # shellcheck disable=SC2086
  "$runner" $args >"$work/out" 2>&1
  [ $? -eq 2 ] || fail "arguments '$args': not refused as a usage error"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "side-by-side: all checks passed"
