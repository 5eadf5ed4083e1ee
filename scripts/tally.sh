# The one count of passed and failed tests for the test scripts; source it.
#
#   tally_add PASSED FAILED    adds to this run's counts (TALLY_PASSED, TALLY_FAILED)
#   tally_summary              prints "P passed, F failed", the line that ends every test
#                              script's output; true when nothing failed
#   tally_of_run LOG           prints "P F" from the last "P passed, F failed" line of a test
#                              script's output, or "0 1" when there is none
#   tally_of_ctest LOG         prints "P F" from CTest's "... F tests failed out of T", or "0 1"
#   tally_of_gtest_xml FILE    prints "P F S" (passed, failed, skipped) from a GoogleTest XML
#                              report, or nothing when the file is not one

TALLY_PASSED=0
TALLY_FAILED=0

tally_add() {
  TALLY_PASSED=$((TALLY_PASSED + $1))
  TALLY_FAILED=$((TALLY_FAILED + $2))
}

tally_summary() {
  echo "$TALLY_PASSED passed, $TALLY_FAILED failed"
  ((TALLY_FAILED == 0))
}

tally_of_run() {
  { tr -d '\r' <"$1" | sed -nE 's/^([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' | tail -n 1
    echo "0 1"; } | head -n 1
}

tally_of_ctest() {
  { sed -nE 's/.* ([0-9]+) tests failed out of ([0-9]+)$/\1 \2/p' "$1" | tail -n 1 |
      awk '{ print $2 - $1, $1 }'
    echo "0 1"; } | head -n 1
}

tally_of_gtest_xml() {
  local counts=() query
  for query in "//testcase[@result='completed']" "//testcase[@result='completed'][failure]" \
    "//testcase[@result='skipped']"; do
    counts+=("$(xmllint --xpath "count($query)" "$1" 2>/dev/null)") || return 0
  done
  echo "$((counts[0] - counts[1])) ${counts[1]} ${counts[2]}"
}
