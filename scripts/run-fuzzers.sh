#!/usr/bin/env bash
# Runs every fuzz target of a build folder for the given seconds on its kept corpus
# (fuzz/corpus/<name>/, read only; what the run discovers goes to a scratch corpus in the
# build folder) and prints one line per target: executions, crashes, out-of-memory
# cases, time-outs. Inputs that broke something are kept in <build>/fuzz/findings/<name>/;
# add each to fuzz/corpus/<name>/ once it is mended. Exits non-zero when any target
# found something. Usage: run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
set -uo pipefail
build=$1
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(psd_reader image_loader appcast shortcut_json single_instance_message)
fi
status=0
summary=()
for name in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$name"
  scratch="$build/fuzz/scratch/$name"
  findings="$build/fuzz/findings/$name"
  mkdir -p "$scratch" "$findings"
  log="$build/fuzz/$name.log"
  # 2.2 GB for one allocation: the loader may take 2 GiB for a legitimate 20000 x 20000
  # picture and never more; anything above is a broken promise.
  "$program" -max_total_time="$seconds" -timeout=90 -rss_limit_mb=6144 -malloc_limit_mb=2200 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$scratch" "$root/fuzz/corpus/$name" >"$log" 2>&1
  code=$?
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n 1)
  crashes=$(find "$findings" -name 'crash-*' -o -name 'leak-*' -o -name 'deadly-*' | wc -l)
  ooms=$(find "$findings" -name 'oom-*' | wc -l)
  timeouts=$(find "$findings" -name 'timeout-*' | wc -l)
  line=$(printf '%-24s %10s executions, %d crashes, %d out-of-memory, %d time-outs' \
    "$name" "${runs:-0}" "$crashes" "$ooms" "$timeouts")
  summary+=("$line")
  if [ "$code" -ne 0 ] || [ "$crashes" -ne 0 ] || [ "$ooms" -ne 0 ] || [ "$timeouts" -ne 0 ]; then
    status=1
    echo "fuzz: $name found something (exit $code); its log: $log" >&2
    tail -n 40 "$log" >&2
  fi
done
echo
printf '%s\n' "${summary[@]}"
exit "$status"
