#!/usr/bin/env bash
# An isolated CUPS daemon for the print tests, with two queues that write PDF files
# through cups-pdf: "PDF", the default printer, with cups-pdf's own PPD (no
# unprintable edge), and "PDFMARGINS", whose PPD (tests/ui/printing/envalo-margins.ppd)
# declares an unprintable edge like a real printer's. A queue holds at most 20 jobs not
# yet printed (MaxJobsPerPrinter), so that a run into a paused queue meets the limit that
# a real printer's queue meets at MaxJobs; tests may make raw queues on file:///dev/null
# (FileDevice), which discard what they get. CUPS_TEST_MAX_JOBS_PER_PRINTER sets another
# limit (0: none but the spooler's MaxJobs), as the benchmark does for its speed figures.
#   cups-test.sh start <dir>   prints the "export CUPS_SERVER=..." line to evaluate
#   cups-test.sh stop <dir>    stops the daemon started in <dir>
# Everything the daemon writes stays in <dir>, except what cups-pdf itself prints:
# it reads its settings from /etc/cups only and writes ~/PDF/<title>-job_<N>.pdf.
set -euo pipefail

# shellcheck source=scripts/stop-daemon.sh
source "$(dirname "${BASH_SOURCE[0]}")/stop-daemon.sh"

usage() { echo "usage: $0 start|stop <dir>" >&2; exit 2; }
[ $# -eq 2 ] || usage
command="$1"
mkdir -p "$2"
dir="$(cd "$2" && pwd)"
socket="$dir/cups.sock"
pidfile="$dir/cupsd.pid"
margins_ppd="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/ui/printing/envalo-margins.ppd"

stop() {
  [ -f "$pidfile" ] || return 0
  local pid
  pid="$(cat "$pidfile")"
  stop_daemon "$pid" "-c $dir/cupsd.conf" TERM
  rm -f "$pidfile"
}

start() {
  for tool in /usr/sbin/cupsd lpstat lpadmin; do
    command -v "$tool" >/dev/null || { echo "cups-test: $tool is missing" >&2; exit 1; }
  done
  local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  [ -f "$ppd" ] || { echo "cups-test: $ppd is missing (printer-driver-cups-pdf)" >&2; exit 1; }
  [ -f "$margins_ppd" ] || { echo "cups-test: $margins_ppd is missing" >&2; exit 1; }
  stop
  mkdir -p "$dir/spool" "$dir/tmp" "$dir/cache" "$dir/state" "$dir/log"
  # The spooler's helpers run as "lp" and must reach the temporary files.
  chmod 0711 "$dir"
  chmod 1777 "$dir/tmp"
  cat >"$dir/cupsd.conf" <<EOF
Listen $socket
Browsing No
WebInterface No
DefaultAuthType None
LogLevel warn
MaxJobsPerPrinter ${CUPS_TEST_MAX_JOBS_PER_PRINTER:-20}
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
EOF
  cat >"$dir/cups-files.conf" <<EOF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
SystemGroup root
FileDevice Yes
EOF
  /usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null \
    >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$pidfile"
  export CUPS_SERVER="$socket"
  local running=""
  for _ in $(seq 1 100); do
    if lpstat -r 2>/dev/null | grep -q "is running"; then running=1; break; fi
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$running" ]; then
    echo "cups-test: cupsd did not start; see $dir/log" >&2
    stop
    exit 1
  fi
  # lpadmin warns that printer drivers are deprecated; the warning goes to the log.
  if ! lpadmin -p PDF -E -v cups-pdf:/ -P "$ppd" 2>>"$dir/log/lpadmin.log" ||
     ! lpadmin -p PDFMARGINS -E -v cups-pdf:/ -P "$margins_ppd" 2>>"$dir/log/lpadmin.log" ||
     ! lpadmin -d PDF 2>>"$dir/log/lpadmin.log"; then
    cat "$dir/log/lpadmin.log" >&2
    stop
    exit 1
  fi
  printf 'export CUPS_SERVER=%q\n' "$socket"
}

case "$command" in
  start) start ;;
  stop) stop ;;
  *) usage ;;
esac
