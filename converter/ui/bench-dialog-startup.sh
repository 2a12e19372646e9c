#!/usr/bin/env bash
# How soon the Save PDF dialog is up after vlconv starts, with the scripted
# user interface. Not a test: it prints figures.
#
#   converter/ui/bench-dialog-startup.sh [BUILD_DIR] [RUNS]
#
# Each run prints a one-page job whose script cancels the dialog at once.
# The dialog is up when the scripted user interface writes its start
# snapshot (template built, profile list filled, first page shown): strace,
# watching only execve and openat (seccomp filtered, so the run is not
# slowed), gives the time from the program's start to that write. The whole
# run's wall and processor time are printed beside it. A second series puts
# 20 preset files in the product folder: the preset scan runs beside the
# dialog and must not hold it up.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build/release}
runs=${2:-30}
for program in converter/vlconv tools/vlreg/vlreg tools/vlgsreg/vlgsreg; do
  [ -x "$build/$program" ] || { echo "build $build/$program first" >&2; exit 2; }
done
command -v strace >/dev/null || { echo "strace is missing (apt-get install strace)" >&2; exit 2; }

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
import os, resource, statistics, subprocess, sys, time
vlconv, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
record = os.environ["VELLORA_UI_LOG"]
trace = os.path.join(work, "trace")
up, wall, cpu = [], [], []
for n in range(runs):
    spool = os.path.join(work, "job%d.ps" % n)
    with open(spool, "w") as f:
        f.write("%!PS-Adobe-3.0\n%%Title: Benchmark\n%%EndComments\nshowpage\n")
    if os.path.exists(record):
        os.remove(record)
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(["strace", "-f", "--seccomp-bpf", "-ttt", "-e", "trace=execve,openat", "-o",
                    trace, vlconv, "1", spool, "Benchmark", "Vellora"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall.append((time.perf_counter() - start) * 1000)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu.append((after.ru_utime - used.ru_utime + after.ru_stime - used.ru_stime) * 1000)
    lines = open(record).read().split("\n")
    if "snapshot\t101\tstart" not in lines:
        sys.exit("run %d showed no Save PDF dialog" % n)
    # Record lines are written one open each: the start snapshot's open is
    # the one numbered like its line.
    wanted = lines.index("snapshot\t101\tstart") + 1
    began, opens = None, 0
    for line in open(trace):
        fields = line.split()
        if began is None and "execve(" in line:
            began = float(fields[1])
        if '"%s"' % record in line and "openat(" in line:
            opens += 1
            if opens == wanted:
                up.append((float(fields[1]) - began) * 1000)
                break
def line(name, values):
    values = sorted(values)
    print("  %-34s median %6.1f ms, fastest %6.1f ms, 90th percentile %6.1f ms" %
          (name, statistics.median(values), values[0], values[int(len(values) * 0.9) - 1]))
line("start to the dialog up:", up)
line("whole run (cancelled, exited):", wall)
line("processor time of the run:", cpu)
PY
}

echo "Save PDF dialog, $runs runs:"
series
mkdir -p "$product/QOptions"
for n in $(seq 1 20); do printf '<< >>\n' > "$product/QOptions/Preset$n.joboptions"; done
echo "the same with 20 preset files to scan:"
series
echo "goal: the dialog up within 50 ms of the start; the preset list follows about 300 ms later"
