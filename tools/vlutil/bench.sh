#!/usr/bin/env bash
# Times vlutil against the qpdf command doing the same work on a 200-page
# PDF and prints the ratio vlutil/qpdf per operation. Not a test.
#
#   tools/vlutil/bench.sh [path/to/vlutil] [repetitions]
#
# Needs qpdf and Ghostscript (gs) on the PATH; builds a release vlutil first
# for figures worth comparing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vlutil=${1:-$here/../../build/tools/vlutil/vlutil}
reps=${2:-5}
[ -x "$vlutil" ] || { echo "no vlutil at $vlutil" >&2; exit 2; }
command -v qpdf >/dev/null || { echo "qpdf is missing" >&2; exit 2; }
command -v gs >/dev/null || { echo "gs is missing" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# 200 text pages, and a one-page letterhead with some graphics.
cat > doc.ps <<'PS'
/Helvetica findfont 12 scalefont setfont
1 1 200 {
  /n exch def
  72 760 moveto (Page ) show n 10 string cvs show
  700 -14 100 { 72 exch moveto (The quick brown fox jumps over the lazy dog, line after line.) show } for
  showpage
} for
PS
cat > stamp.ps <<'PS'
0.8 0.1 0.1 setrgbcolor 40 780 515 30 rectfill
/Helvetica-Bold findfont 28 scalefont setfont 0 setgray 60 788 moveto (Letterhead) show
45 rotate /Helvetica findfont 90 scalefont setfont 0.5 setgray 250 0 moveto (DRAFT) show
showpage
PS
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=doc.pdf doc.ps
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=stamp.pdf stamp.ps
cp doc.pdf other.pdf
[ "$(qpdf --show-npages doc.pdf)" = 200 ] || { echo "test document is not 200 pages" >&2; exit 1; }

# Mean wall time of one run of the command, in seconds.
mean() {
  local start end
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }  # warm-up, and a check
  start=$(date +%s.%N)
  for ((i = 0; i < reps; i++)); do "$@" >/dev/null 2>&1; done
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v n="$reps" 'BEGIN { printf "%.4f", (e - s) / n }'
}

printf '%-14s %9s %9s %7s\n' operation "vlutil s" "qpdf s" ratio
row() {
  local name=$1 ours=$2 theirs=$3
  printf '%-14s %9s %9s %7s\n' "$name" "$ours" "$theirs" \
    "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')"
}

row "join (c)" \
  "$(mean "$vlutil" c doc.pdf other.pdf out.pdf Title Subject Keywords Author '')" \
  "$(mean qpdf --empty --pages doc.pdf other.pdf -- out.pdf)"
row "watermark (w)" \
  "$(mean "$vlutil" w doc.pdf stamp.pdf out.pdf)" \
  "$(mean qpdf doc.pdf --overlay stamp.pdf --repeat=1 -- out.pdf)"
row "underlay (b)" \
  "$(mean "$vlutil" b doc.pdf stamp.pdf out.pdf)" \
  "$(mean qpdf doc.pdf --underlay stamp.pdf --repeat=1 -- out.pdf)"
row "rc4-128 (e)" \
  "$(mean "$vlutil" e doc.pdf out.pdf u o 10100000 128)" \
  "$(mean qpdf --allow-weak-crypto --encrypt u o 128 --use-aes=n --print=full --modify=none \
      --extract=y --annotate=n --form=n --modify-other=n --assemble=n --accessibility=n -- \
      doc.pdf out.pdf)"
row "rc4-40 (e)" \
  "$(mean "$vlutil" e doc.pdf out.pdf u o 10100000 40)" \
  "$(mean qpdf --allow-weak-crypto --encrypt u o 40 --print=y --modify=n --extract=y \
      --annotate=n -- doc.pdf out.pdf)"
echo "($reps runs each after one warm-up; $(nproc) CPU(s); $(qpdf --version | head -1))"
