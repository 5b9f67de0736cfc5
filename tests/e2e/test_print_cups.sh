#!/usr/bin/env bash
# Printing through a real CUPS printer: "-P" at start-up (no margins yet,
# the settings are read afterwards) and "-P" handed over to the running
# window (the margins of its settings file). The printer is CUPS-PDF; the
# PDF files it writes are read back with pdftotext.
set -euo pipefail
QUILLON=$(readlink -f "$1")
source "$(dirname "$0")/lib.sh"
e2e_need_x "$@"

skip() { echo "SKIP: $*"; exit 77; }
for tool in cupsd lpadmin lpstat pdftotext; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || skip "$tool missing (Debian: cups, printer-driver-cups-pdf, poppler-utils)"
done
[ -e /usr/lib/cups/backend/cups-pdf ] || skip "the CUPS-PDF backend is missing (Debian: printer-driver-cups-pdf)"
export PATH="$PATH:/usr/sbin"

work=$(mktemp -d)
pids=()
started_cupsd=""
printer=QuillonTestPDF
old_default=""
cleanup() {
  e2e_stop "${pids[@]}"
  lpadmin -x "$printer" 2>/dev/null || true
  [ -n "$old_default" ] && lpadmin -d "$old_default" 2>/dev/null || true
  [ -n "$started_cupsd" ] && kill "$started_cupsd" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export E2E_SHOT="${E2E_SCREENSHOT_DIR:-$work}/print_cups_fail.png"

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  [ "$(id -u)" -eq 0 ] || skip "cupsd is not running and cannot be started without root"
  mkdir -p /run/cups
  cupsd || skip "cupsd could not be started"
  for _ in $(seq 1 50); do lpstat -r 2>/dev/null | grep -q "is running" && break; sleep 0.1; done
  lpstat -r 2>/dev/null | grep -q "is running" || skip "cupsd did not come up"
  started_cupsd=$(pgrep -n cupsd || true)
fi
old_default=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
ppd=$(lpinfo -m 2>/dev/null | awk '/CUPS-PDF_noopt/ { print $1; exit }')
[ -n "$ppd" ] || skip "no CUPS-PDF driver"
lpadmin -p "$printer" -E -v cups-pdf:/ -m "$ppd" 2>/dev/null || skip "no right to add a printer"
# Keep the text of the PDF readable through the filter chain.
lpadmin -p "$printer" -o pdftops-renderer-default=pdftocairo
lpadmin -d "$printer"

outdir="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
mkdir -p "$outdir"
count_pdfs() { find "$outdir" -maxdepth 1 -name '*.pdf' -newer "$work/marker" | wc -l; }
# Waits for the n-th PDF since the marker; prints its name.
wait_pdf() {
  for _ in $(seq 1 600); do
    if [ "$(count_pdfs)" -ge "$1" ]; then
      sleep 0.5 # written completely
      find "$outdir" -maxdepth 1 -name '*.pdf' -newer "$work/marker" -printf '%T@ %p\n' | sort -n | sed -n "$1p" | cut -d' ' -f2-
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Three lines, a form feed, a line with a Windows-1252 umlaut and euro sign.
text='Zeile eins\r\nZeile zwei\r\nZeile drei\r\n\fSeite zwei \xe4\x80\r\nLetzte Zeile'
printf "$text" > "$work/a.txt"
printf "$text" > "$work/b.txt"
printf '[Margin]\r\nLeft=20\r\nTop=20\r\nBottom=10\r\n[Options]\r\nNewFiles=1\r\n' > "$work/q.ini"
touch "$work/marker"
sleep 1
cd "$work"
"$QUILLON" -I "$work/q.ini" -P a.txt &
pids+=($!)
e2e_wait_window "a.txt : Quillon 32" >/dev/null || e2e_fail "no window after -P"
first=$(wait_pdf 1) || e2e_fail "CUPS wrote no PDF for -P at start-up"

timeout 20 "$QUILLON" -P b.txt || e2e_fail "the second start did not end"
e2e_wait_window "b.txt : Quillon 32" >/dev/null || e2e_fail "the handed-over file did not open"
second=$(wait_pdf 2) || e2e_fail "CUPS wrote no PDF for the handed-over -P"

for pdf in "$first" "$second"; do
  pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
  [ "$pages" = 2 ] || e2e_fail "$pdf has $pages pages, expected 2 (the form feed)"
  pdftotext -layout "$pdf" "$work/out.txt"
  # Page 1: the three lines; page 2 after the form feed: the rest.
  got=$(sed -e 's/^ *//' -e 's/ *$//' "$work/out.txt" | grep -v '^$' | tr '\f' '|' | tr '\n' '#')
  want='Zeile eins#Zeile zwei#Zeile drei#|Seite zwei ä€#Letzte Zeile#|#'
  [ "$got" = "$want" ] || e2e_fail "text of $pdf: '$got', expected '$want'"
done

# Position of the first word: x and y in points.
first_word() { pdftotext -bbox -f 1 -l 1 "$1" - | grep -m1 '<word' | sed -E 's/.*xMin="([0-9.]+)" yMin="([0-9.]+)".*/\1 \2/'; }
read -r x0 y0 <<<"$(first_word "$first")"
read -r x1 y1 <<<"$(first_word "$second")"
# Left 20 mm = 56.7 pt, rounded up to whole blanks (at most one more).
awk -v a="$x0" -v b="$x1" 'BEGIN { d = b - a; exit !(d >= 56 && d <= 68) }' \
  || e2e_fail "indent of the handed-over print: $x0 -> $x1 pt, expected 20 mm in blanks"
# Top 20 mm = 56.7 pt, rounded up to whole lines (at most one line more).
awk -v a="$y0" -v b="$y1" 'BEGIN { d = b - a; exit !(d >= 56 && d <= 75) }' \
  || e2e_fail "top lines of the handed-over print: $y0 -> $y1 pt, expected 20 mm in lines"

if [ -n "${E2E_SCREENSHOT_DIR:-}" ]; then
  pdftoppm -r 50 -png -f 1 -l 1 "$second" "$E2E_SCREENSHOT_DIR/print_cups_page"
fi
echo "ok: $first $second"
