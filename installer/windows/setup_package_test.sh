#!/usr/bin/env bash
# VelloraSetup.exe end to end in a fresh Wine prefix: a silent install; the
# registry and the spooler as the package leaves them; a Windows program
# printing two pages of text to "Vellora" with GDI, which must end as a
# whole PDF in the user's documents folder; the drop program converting a
# PostScript file; a silent uninstall that leaves no file and no key of
# the product behind.
#   setup_package_test.sh SETUP_EXE VLTESTPRINT_EXE WORK_FOLDER
# Needs Wine, pdfinfo and pdftotext. Every wait is bounded; the prefix's
# Wine server is stopped at the end.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 SETUP_EXE VLTESTPRINT_EXE WORK_FOLDER" >&2
  exit 2
fi
setup=$1
testprint=$2
work=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
[ -f "$setup" ] || { echo "no setup package $setup: build the target setup-package (scripts/test-windows-setup)" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/home"
prefix=$work/prefix
# Wine links the user's folders to the host's when $HOME has them; an empty
# home keeps every folder inside the prefix.
export HOME=$work/home
export WINEPREFIX=$prefix
# Wine adds the printers of the host's CUPS to its spooler; a server that
# does not exist keeps them out.
export CUPS_SERVER=$work/no-cups.sock
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
run() { "$top/scripts/wine-run" "$prefix" "$@"; }
# Waits until every program of the prefix has ended and the registry is
# written to its files.
settle() { timeout 120 wineserver -w || fail "Wine's programs did not end within 120 s"; }
# The data of a registry value, as "reg query" prints it ("" when missing);
# the value "(Default)" is the key's default value.
reg_value() { # KEY VALUE
  local which=(/v "$2")
  [ "$2" = '(Default)' ] && which=(/ve)
  run reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
wait_for_file() { # PATH SECONDS
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
product_names='vellora|norvale|vlmon|vlconv|vlsetup|vlutil|vlmenu|rasmenu|vlinst|vlmode|kelp|gswin32c|5B1E7C42|8E2D4A91'

started=$(date +%s)
run cmd /c exit 0 >/dev/null
settle
user=$(run cmd /c 'echo %USERNAME%' | tr -d '\r')
docs=$prefix/drive_c/users/$user/Documents
(cd "$prefix/drive_c" && find . | sort) >"$work/files-before"
echo "prefix ready ($(($(date +%s) - started)) s)"

# --- install
run "$setup" /S >"$work/setup.out" 2>&1 && code=0 || code=$?
settle
[ "$code" = 0 ] || fail "VelloraSetup.exe /S ended with $code"
app=$(reg_value 'HKLM\SOFTWARE\Norvale\Vellora' AppPath)
[ "$app" = 'C:\Program Files\Vellora' ] || fail "AppPath is \"$app\""
interpreter=$(reg_value 'HKLM\SOFTWARE\Norvale\Vellora' InterpreterLocation)
[ "$interpreter" = 'GNU Ghostscript 7.06 (kelp)' ] || fail "InterpreterLocation is \"$interpreter\""
[ -f "$prefix/drive_c/windows/system32/kelp/bin/gswin32c.exe" ] || fail "no own Ghostscript in the system folder"
for clsid in '{5B1E7C42-9A3D-4F68-B2C1-7E04D9A36F15}:vlmenu.dll' '{8E2D4A91-3C7B-4B0E-A5F6-19C8D2E7B304}:rasmenu.dll'; do
  server=$(reg_value "HKCR\\CLSID\\${clsid%%:*}\\InprocServer32" '(Default)')
  [ "$server" = "C:\\Program Files\\Vellora\\${clsid#*:}" ] || fail "context menu ${clsid#*:} registered as \"$server\""
done
run "$testprint" spooler | tr -d '\r' >"$work/spooler"
grep -qx $'monitor\tNorvale Print Monitor\tC:\\\\windows\\\\system32\\\\vlmon64x.dll' "$work/spooler" ||
  fail "the monitor is not in the spooler: $(cat "$work/spooler")"
grep -q $'^driver\tVellora\t' "$work/spooler" || fail "the driver is not in the spooler"
grep -qx $'printer\tVellora\tVLM:\tVellora' "$work/spooler" || fail "no printer Vellora on VLM:"
echo "installed ($(($(date +%s) - started)) s)"

# --- print two pages with GDI
run "$testprint" print Vellora "Quarterly Report" "Revenue grew in the north" "Costs fell in the south" \
  >"$work/print.out" 2>&1 || fail "printing failed: $(cat "$work/print.out")"
pdf="$docs/Quarterly Report.pdf"
if wait_for_file "$pdf" 60; then
  settle
  # The job came through the monitor, which had to find the printer itself.
  cp "$prefix/drive_c/windows/vlmon.log" "$work/vlmon.log" 2>/dev/null || true
  grep -q "Job \"Quarterly Report\" of .* on printer \"Vellora\"" "$work/vlmon.log" 2>/dev/null ||
    fail "the monitor's log has no job: $(cat "$work/vlmon.log" 2>/dev/null)"
  pdfinfo "$pdf" >"$work/pdfinfo" 2>&1 || fail "pdfinfo cannot read the PDF"
  grep -q '^Pages: *2$' "$work/pdfinfo" || fail "the PDF has not 2 pages: $(cat "$work/pdfinfo")"
  grep -q '^Title: *Quarterly Report$' "$work/pdfinfo" || fail "the PDF's title: $(grep Title "$work/pdfinfo")"
  grep -q '^Producer: *Vellora 2.58$' "$work/pdfinfo" || fail "the PDF's producer: $(grep Producer "$work/pdfinfo")"
  text=$(pdftotext -layout "$pdf" - 2>/dev/null | tr -s ' \n' ' ')
  [[ $text == *"Revenue grew in the north"*"Costs fell in the south"* ]] || fail "the PDF's text: $text"
else
  fail "no PDF in the documents folder; monitor log: $(cat "$prefix/drive_c/windows/vlmon.log" 2>/dev/null)"
fi
echo "printed ($(($(date +%s) - started)) s)"

# --- the drop program with a PostScript file
printf '%s\n' '%!PS-Adobe-3.0' '%%Title: Dropped Memo' '%%Pages: 1' '%%EndComments' \
  '/Helvetica findfont 24 scalefont setfont 72 700 moveto (Memo for the files) show showpage' '%%EOF' \
  >"$docs/memo.ps"
run 'C:\Program Files\Vellora\Vellora.exe' "C:\\users\\$user\\Documents\\memo.ps" || fail "Vellora.exe failed"
if wait_for_file "$docs/Dropped Memo.pdf" 60; then
  settle
  pdftotext "$docs/Dropped Memo.pdf" - 2>/dev/null | grep -q 'Memo for the files' || fail "the dropped file's PDF"
else
  fail "the dropped PostScript file was not converted"
fi
echo "dropped ($(($(date +%s) - started)) s)"

# --- uninstall
size=$(stat -c %s "$setup")
run 'C:\Program Files\Vellora\uninstall.exe' /S >"$work/uninstall.out" 2>&1 || fail "uninstall.exe /S failed"
settle
# The uninstaller runs from a copy of itself in the temporary folder, which
# Windows removes at the next restart.
run wineboot --restart >/dev/null 2>&1 || fail "Wine's restart failed"
settle
(cd "$prefix/drive_c" && find . | sort) >"$work/files-after"
# The user's documents stay; whatever else is new must be none of ours.
comm -13 "$work/files-before" "$work/files-after" | grep -v "^./users/$user/Documents/" >"$work/files-new" || true
if grep -iE "$product_names" "$work/files-new"; then fail "files of the product are left (above)"; fi
if grep -iE "$product_names" "$prefix"/*.reg; then fail "registry entries of the product are left (above)"; fi
echo "uninstalled ($(($(date +%s) - started)) s); setup package $size bytes"
if [ -s "$work/files-new" ]; then
  echo "new files that are not the product's:"
  cat "$work/files-new"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed; details in $work"
  exit 1
fi
stop_wine
rm -rf "$work"
echo "all checks passed ($(($(date +%s) - started)) s)"
