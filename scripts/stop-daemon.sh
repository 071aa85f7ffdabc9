# Sourced by the scripts that start a private daemon for the tests.
# stop_daemon PID ARGUMENTS SIGNAL: sends SIGNAL to PID when its command line holds
# ARGUMENTS (only the daemon started here, never a process that took its id), waits up
# to ten seconds for it to end, then kills it.
stop_daemon() {
  local pid="$1" arguments="$2" signal="$3" cmdline=""
  cmdline="$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null || true)"
  [[ "$cmdline" == *"$arguments"* ]] || return 0
  kill "-$signal" "$pid"
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}
