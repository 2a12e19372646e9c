#!/usr/bin/env bash
# How soon the Save PDF dialog is up after vlconv starts, with the scripted
# user interface. Not a test: it prints figures.
#
#   converter/ui/bench-dialog-startup.sh [BUILD_DIR] [RUNS]
#
# Each run prints a one-page job whose script cancels the dialog at once, so
# a run's whole time (process start, settings, interpreter discovery, the
# dialog built with its profile list and first page, cancel, exit) bounds
# the time until the dialog is up from above. The record of every run is
# checked to hold the dialog's start snapshot. A second series puts 20
# preset files in the product folder: the preset scan runs beside the
# dialog and must not hold it up.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build/release}
runs=${2:-30}
for program in converter/vlconv tools/vlreg/vlreg tools/vlgsreg/vlgsreg; do
  [ -x "$build/$program" ] || { echo "build $build/$program first" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELLORA_ROOT=$work/root HOME=$work/home TMPDIR=$work/tmp
mkdir -p "$VELLORA_ROOT" "$HOME/.local/share/Vellora/Temp" "$TMPDIR" "$work/out"
product=$VELLORA_ROOT/Programs/Vellora
mkdir -p "$product"
"$build/tools/vlreg/vlreg" set 'HKLM\SOFTWARE\Norvale\Vellora' AppPath sz "$product"
"$build/tools/vlgsreg/vlgsreg" >/dev/null
"$build/tools/vlreg/vlreg" set 'HKCU\SOFTWARE\Norvale\Vellora' LastDirectory sz "$work/out"
printf 'cancel:\n' > "$work/script"
export VELLORA_UI_SCRIPT=$work/script VELLORA_UI_LOG=$work/record

series() {
  python3 - "$build/converter/vlconv" "$work" "$runs" <<'PY'
import os, statistics, subprocess, sys, time
vlconv, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
times = []
for n in range(runs):
    spool = os.path.join(work, "job%d.ps" % n)
    with open(spool, "w") as f:
        f.write("%!PS-Adobe-3.0\n%%Title: Benchmark\n%%EndComments\nshowpage\n")
    record = os.environ["VELLORA_UI_LOG"]
    if os.path.exists(record):
        os.remove(record)
    start = time.perf_counter()
    subprocess.run([vlconv, "1", spool, "Benchmark", "Vellora"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    times.append((time.perf_counter() - start) * 1000)
    if "snapshot\t101\tstart" not in open(record).read():
        sys.exit("run %d showed no Save PDF dialog" % n)
times.sort()
print("  median %.1f ms, fastest %.1f ms, 90th percentile %.1f ms over %d runs" %
      (statistics.median(times), times[0], times[int(len(times) * 0.9) - 1], runs))
PY
}

echo "Save PDF dialog, from vlconv's start to the dialog up, cancelled and exited:"
series
mkdir -p "$product/QOptions"
for n in $(seq 1 20); do printf '<< >>\n' > "$product/QOptions/Preset$n.joboptions"; done
echo "the same with 20 preset files to scan:"
series
echo "goal: the dialog up within 50 ms; the preset list follows about 300 ms later"
