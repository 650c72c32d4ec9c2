#!/usr/bin/env bash
# The benchmark run check (bench/CheckBenchmarkRun.cmake) against stand-in
# benchmark programs: it passes a run where every listed case ran, and fails
# a program that exits with an error, a case that reports an error, a case
# that never ran, and a program that lists no case.
# Usage: BenchmarkCheckTest.sh <source folder>
set -u
source_dir=$1
check=$source_dir/bench/CheckBenchmarkRun.cmake
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make_program <name> <listed cases> <exit status> <report benchmarks JSON>
make_program() {
  cat > "$work/$1" <<PROGRAM
#!/usr/bin/env bash
for a in "\$@"; do
  case "\$a" in
    --benchmark_list_tests=true) printf '$2'; exit 0 ;;
    --benchmark_out=*) out=\${a#--benchmark_out=} ;;
  esac
done
printf '{"context":{},"benchmarks":[%s]}' '$4' > "\$out"
exit $3
PROGRAM
  chmod +x "$work/$1"
}

ok='{"name":"BM_A/iterations:1","run_type":"iteration"},{"name":"BM_B","run_type":"iteration"}'
make_program all_ran 'BM_A/iterations:1\nBM_B\n' 0 "$ok"
make_program exits_badly 'BM_A/iterations:1\nBM_B\n' 1 "$ok"
make_program case_error 'BM_A/iterations:1\nBM_B\n' 0 \
  '{"name":"BM_A/iterations:1","error_occurred":true,"error_message":"the query did not return 50 rows"},{"name":"BM_B"}'
make_program case_missing 'BM_A/iterations:1\nBM_B\nBM_C\n' 0 "$ok"
make_program lists_nothing '' 0 ''

failures=0
# expect <program> <pass|fail> <text the output must hold>
expect() {
  output=$(cmake -DPROGRAM="$work/$1" -DREPORT="$work/$1.json" -P "$check" 2>&1)
  status=$?
  if [[ $2 == pass && $status -ne 0 ]] || [[ $2 == fail && $status -eq 0 ]]; then
    echo "FAIL: $1 should $2, status $status:"; echo "$output"; failures=$((failures + 1))
  elif [[ $output != *"$3"* ]]; then
    echo "FAIL: $1: output lacks '$3':"; echo "$output"; failures=$((failures + 1))
  else
    echo "ok: $1 ($2)"
  fi
}
expect all_ran pass "all 2 cases ran"
expect exits_badly fail "the run ended with status 1"
expect case_error fail "BM_A/iterations:1 did not run to its end: the query did not return 50 rows"
expect case_missing fail "BM_C never ran"
expect lists_nothing fail "the program lists no case"
exit $((failures > 0))
