#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (build-fuzz/, clang with ASan and
# UBSan) and runs each for SECONDS (default 30) on a copy of its seed corpus,
# so the committed corpus does not grow. Prints the executions per target and
# fails if any target found a crash, a sanitizer report or a broken invariant;
# the input that did it is kept in build-fuzz/artifacts/.
#   tools/run-fuzzers.sh [SECONDS]
set -euo pipefail
seconds="${1:-30}"
cd "$(dirname "$0")/.."
root="$PWD"
tools/install-packages.sh cmake make pkg-config clang libclang-rt-14-dev libtinyxml2-dev libglib2.0-dev

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_COMPILER=clang -DHLQ_FUZZ=ON -DHLQ_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2

# Scratch space on tmpfs where there is one: the configuration target syncs
# every file it writes.
scratch_base=/tmp
[ -w /dev/shm ] && scratch_base=/dev/shm
scratch="$(mktemp -d "$scratch_base/hlq-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
artifacts="$root/build-fuzz/artifacts"
mkdir -p "$artifacts"

max_len_of() {
  case "$1" in
    fuzz_xml_config) echo 8192 ;;
    fuzz_codepage_record) echo 1024 ;;
    fuzz_helper_arguments) echo 2048 ;;
    *) echo 256 ;;
  esac
}

failed=()
for target in fuzz_xml_config fuzz_helper_arguments fuzz_codepage_record fuzz_port_mapping; do
  corpus="$scratch/$target"
  cp -r "tests/fuzz/corpus/$target" "$corpus"
  seeds=$(ls "$corpus" | wc -l)
  options=(-max_total_time="$seconds" -max_len="$(max_len_of "$target")" -timeout=10
           -print_final_stats=1 -artifact_prefix="$artifacts/$target-")
  [ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")
  log="$scratch/$target.log"
  status=0
  TMPDIR="$scratch" "build-fuzz/tests/fuzz/$target" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "$target: ${runs:-?} executions in ${seconds} s, corpus $seeds -> $(ls "$corpus" | wc -l) inputs"
  if [ "$status" -ne 0 ]; then
    echo "$target FAILED (exit status $status); its report:"
    grep -v -E '^#[0-9]+' "$log" | tail -60
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "Fuzzing found nothing."
