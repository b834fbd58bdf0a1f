#!/usr/bin/env bash
# The maintainers' benchmark: prints one table, measured in one run, of the
# tool against floors that this script builds itself (tools/bench/):
#   - start-up to the first mapped window, against a program that loads the
#     same UI file, shows the window and ends: instructions counted by
#     callgrind (repeatable on a busy machine), median wall time, peak RSS;
#     and instructions against that program with the check boxes checked
#     that the tool shows checked (the theme renders an SVG for each);
#   - each page's Apply (the page's write function, without its message box),
#     against as many bare tinyxml2 load, change and crash-safe replace
#     operations on the same file as the Apply saved it (once): median wall
#     time and instructions;
#   - hlqctl show --json (every value of both files, as JSON) against a
#     program that only parses the two files with tinyxml2: instructions;
#   - the web console page, from opening it to its values shown, against a
#     bare page that runs one cockpit.spawn(["true"]), on one cockpit-ws
#     session (tools/bench/cockpit_page.py): median of RUNS loads each;
#   - the MSR page's Apply through the privileged helper (run as nobody,
#     with a system bus and polkit of its own; tools/bench/helper_apply.py)
#     against the same Apply done directly as root, and a technician's
#     hlqctl set through the helper against root's direct set, side by
#     side in the same rounds: median wall time.
# It is not a test and fails on no number. Usage: tools/bench.sh [RUNS]
# (RUNS wall-time runs of each start-up and Apply, 21 by default).
#
# "First mapped window": both programs run the same hook (an emission hook
# on "map-event", tools/bench/quit_on_first_map.cpp) that destroys the first
# top-level window as soon as it is mapped, so each program's own destroy
# handling ends it. For the tool, a harness runs the tool's own start-up
# (HLQMain, as main() does) with that hook; the tool itself is unchanged.
# Everything runs on a private virtual X server, on a copy of the sample
# configuration under build-bench/root (the paths are compiled in).
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-21}"
build="build-bench"
root="$PWD/$build/root"

if [ "${HLQ_BENCH_INSIDE:-}" != 1 ]; then
  tools/install-packages.sh cmake make g++ pkg-config libgtk-3-dev libtinyxml2-dev nlohmann-json3-dev \
    libusb-1.0-0-dev libpolkit-gobject-1-dev libglib2.0-dev-bin gettext valgrind xvfb xauth \
    dbus polkitd libglib2.0-bin python3-gi cockpit-ws cockpit-bridge cockpit-system chromium python3-websocket
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DHLQ_BUILD_TESTS=OFF \
    -DHLQ_BUILD_BENCH=ON -DHLQ_ROOT="$root" >/dev/null
  cmake --build "$build" -j2 >/dev/null
  rm -rf "$root"
  mkdir -p "$root/opt/pemo/hlq" "$root/tmp"
  cp ui/hlqconfig.ui data/KWNConfig.xml data/KWNLogging.xml "$root/opt/pemo/hlq/"
  # GL off: otherwise every GTK start probes GLX, which doubles its cost.
  HLQ_BENCH_INSIDE=1 GDK_GL=disable NO_AT_BRIDGE=1 exec xvfb-run -a \
    -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

bin="$build/tools/bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
instructions() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
  awk '/Collected :/ {print $NF}'; }

# Start-up: instructions, then wall time and peak RSS over alternating runs.
floor_instr=$(instructions "$bin/bench_startup_floor")
tool_instr=$(instructions "$bin/bench_startup_tool")
# The same floor showing the check boxes the tool shows checked: what the
# tool adds to drawing the configuration it shows.
mapfile -t checked < <(HLQ_BENCH_PRINT_CHECKED=1 "$bin/bench_startup_tool" | awk '$1 == "checked" {print $2}')
floor_checked_instr=$(instructions "$bin/bench_startup_floor" "${checked[@]}")
for ((i = 0; i < runs; ++i)); do
  for program in floor tool; do
    start=$EPOCHREALTIME
    rss=$("$bin/bench_startup_$program" | awk '/peak_rss_kib/ {print $2}')
    end=$EPOCHREALTIME
    echo "$start $end" | awk '{printf "%.3f\n", ($2 - $1) * 1000}' >>"$work/$program.ms"
    echo "$rss" >>"$work/$program.rss"
  done
done

# Apply: wall times, then instructions of one Apply and its floor each.
"$bin/bench_apply" "$runs" >"$work/apply.txt"
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$work/apply.cg" \
  "$bin/bench_apply" >/dev/null 2>&1
for dump in "$work"/apply.cg.*; do
  grep -a -E '^(desc: Trigger: Client Request|totals):' "$dump" |
    sed -E 's/^desc: Trigger: Client Request: //; s/^totals: //' | paste -sd' '
done >"$work/apply_instr.txt"  # lines: "<page> apply|floor <count>"

row() {  # label, tool, floor, unit divisor, unit, target
  awk -v l="$1" -v t="$2" -v f="$3" -v d="$4" -v u="$5" -v g="$6" \
    'BEGIN {printf "| %s | %.1f %s | %.1f %s | %.2f | %s |\n", l, t / d, u, f / d, u, t / f, g}'
}
echo "| Measure | hlqconfig | floor | ratio | target |"
echo "|---|---|---|---|---|"
row "Start-up to mapped window, instructions" "$tool_instr" "$floor_instr" 1e6 M "<= 1.05"
row "Start-up, instructions, floor with the tool's ${#checked[@]} boxes checked" "$tool_instr" \
  "$floor_checked_instr" 1e6 M "<= 1.05"
row "Start-up to mapped window, median of $runs runs" "$(median <"$work/tool.ms")" \
  "$(median <"$work/floor.ms")" 1 ms "<= 1.10"
row "Peak resident memory (start-up)" "$(median <"$work/tool.rss")" \
  "$(median <"$work/floor.rss")" 1024 MiB "-"
while read -r page _ writes _ apply_us _ floor_us; do
  row "Apply $page (saves: $writes), median of $runs" "$apply_us" "$floor_us" 1000 ms "<= 1.25"
  row "Apply $page (saves: $writes), instructions" \
    "$(awk -v p="$page" '$1 == p && $2 == "apply" {print $3}' "$work/apply_instr.txt")" \
    "$(awk -v p="$page" '$1 == p && $2 == "floor" {print $3}' "$work/apply_instr.txt")" 1e6 M "<= 1.25"
done <"$work/apply.txt"

# The command line: every value of both files as JSON, against parsing them.
row "hlqctl show --json, instructions" "$(instructions "$build/hlqctl" show --json)" \
  "$(instructions "$bin/bench_bare_parse")" 1e6 M "<= 1.50"

# The web console page over this build's hlqctl, against a bare page.
/usr/bin/python3 tools/bench/cockpit_page.py --hlqctl "$build/hlqctl" --page "$build/cockpit/hlqconfig" \
  --runs "$runs"

# Through the helper: its system bus and polkit daemon need root.
if [ "$(id -u)" -eq 0 ]; then
  tests/e2e/private-system.sh /usr/bin/python3 tools/bench/helper_apply.py \
    --bench "$bin/bench_msr_apply" --helper "$PWD/$bin/hlqconfig-helper_bench" \
    --action "$build/packaging/org.hlqconfig.hlqconfig.policy" --source "$PWD" --runs "$runs" \
    --hlqctl "$bin/hlqctl_bench" --hlqctl-module "$build/hlqctl-helper.so"
else
  echo "| Apply msr through the helper against directly | (run as root) | | | <= 1.50 |"
fi
