#!/usr/bin/env bash
# A private PostgreSQL server for the address book tests: its data folder, its log and its
# socket stay in <dir>, it listens on that Unix socket only (no TCP port), and it trusts
# every local connection, so no password is needed anywhere.
#   pg-test.sh start <dir>   prints the "export ENVALO_TEST_PG=..." line to evaluate
#   pg-test.sh stop <dir>    stops the server started in <dir>
# PostgreSQL refuses to run as root; started by root, the server runs as the "postgres"
# user of the Debian package, and root gets a role of its own to connect with.
set -euo pipefail

# shellcheck source=scripts/stop-daemon.sh
source "$(dirname "${BASH_SOURCE[0]}")/stop-daemon.sh"

usage() { echo "usage: $0 start|stop <dir>" >&2; exit 2; }
[ $# -eq 2 ] || usage
command="$1"
mkdir -p "$2"
dir="$(cd "$2" && pwd)"
data="$dir/data"
socket="$dir/socket"
database=envalo
user="$(id -un)"

stop() {
  [ -f "$data/postmaster.pid" ] || return 0
  local pid
  pid="$(head -n 1 "$data/postmaster.pid")"
  # SIGINT is PostgreSQL's fast shutdown: sessions are ended, nothing is left to recover.
  stop_daemon "$pid" "-D $data" INT
  rm -f "$data/postmaster.pid"
}

start() {
  local bin
  bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
  for tool in initdb pg_ctl psql; do
    [ -x "$bin/$tool" ] || { echo "pg-test: $tool is missing (package postgresql)" >&2; exit 1; }
  done
  stop
  rm -rf "$data" "$socket"
  mkdir -p "$data" "$socket" "$dir/log"
  local as=() superuser="$user"
  if [ "$(id -u)" -eq 0 ]; then
    id postgres >/dev/null 2>&1 || { echo "pg-test: the user postgres is missing" >&2; exit 1; }
    chown -R postgres: "$dir"
    as=(runuser -u postgres --)
    superuser=postgres
  fi
  chmod 0700 "$data"
  # Each test database is a scratch copy: durability only slows the tests down. Nor is
  # autovacuum wanted: a worker it starts on a database that a test is dropping cannot be
  # ended by the test's role, so the drop fails.
  if ! "${as[@]}" "$bin/initdb" -D "$data" --auth=trust --username="$superuser" \
      --encoding=UTF8 --no-locale >"$dir/log/initdb.log" 2>&1; then
    cat "$dir/log/initdb.log" >&2
    exit 1
  fi
  if ! "${as[@]}" "$bin/pg_ctl" -D "$data" -l "$dir/log/postgres.log" -w -t 60 \
      -o "-c listen_addresses='' -k $socket -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c autovacuum=off" \
      start >"$dir/log/pg_ctl.log" 2>&1; then
    cat "$dir/log/pg_ctl.log" "$dir/log/postgres.log" >&2 || true
    stop
    exit 1
  fi
  local psql=("${as[@]}" "$bin/psql" -h "$socket" -U "$superuser" -d postgres -qAt -v ON_ERROR_STOP=1)
  # The tests make a database per case and a role without rights to try refusals.
  if [ "$user" != "$superuser" ]; then
    "${psql[@]}" -c "create role \"$user\" login createdb createrole" >/dev/null
    # Dropping a case's database ends the sessions still closing in it, whatever their role.
    "${psql[@]}" -c "grant pg_signal_backend to \"$user\"" >/dev/null
  fi
  if ! "${psql[@]}" -c "create database $database owner \"$user\"" >/dev/null; then
    stop
    exit 1
  fi
  printf 'export ENVALO_TEST_PG=%q\n' "postgresql:///$database?host=$socket&user=$user"
}

case "$command" in
  start) start ;;
  stop) stop ;;
  *) usage ;;
esac
