#!/usr/bin/env bash
# Starts or stops a Firebird server on 127.0.0.1:3050 for the tests, as a plain background
# process (no service manager), with the administrator password the program's defaults use.
#   scripts/firebird-server.sh start | stop
# A server that is already listening on the port is left alone and not stopped afterwards.
set -euo pipefail

port=3050
password=tulipvane
pidfile=/tmp/vozmira-firebird-server.pid
lockdir=/tmp/vozmira-firebird-server-lock
security=/var/lib/firebird/3.0/system/security3.fdb

listening() { (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; }

# Runs a command as the server's own user, who must be able to open the databases it serves.
if [ "$(id -u)" = 0 ]; then
  as_firebird=(setpriv --reuid=firebird --regid=firebird --init-groups)
else
  as_firebird=(sudo -u firebird)
fi

start() {
  if listening; then
    echo "firebird-server: a server already listens on port $port; using it"
    return
  fi
  "${as_firebird[@]}" mkdir -p "$lockdir"
  # The administrator's password lives in the security database, set through the embedded
  # engine while no server holds the file.
  echo "CREATE OR ALTER USER SYSDBA PASSWORD '$password';" |
    "${as_firebird[@]}" env FIREBIRD_LOCK="$lockdir" isql-fb -q -user SYSDBA "$security"
  "${as_firebird[@]}" env FIREBIRD_LOCK="$lockdir" /usr/sbin/firebird >/dev/null 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 100); do
    if listening; then
      echo "firebird-server: started (pid $(cat "$pidfile"))"
      return
    fi
    sleep 0.1
  done
  echo "firebird-server: the server did not start listening on port $port" >&2
  stop
  exit 1
}

stop() {
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  rm -f "$pidfile"
  if kill "$pid" 2>/dev/null; then
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  echo "firebird-server: stopped"
}

case "${1:-}" in
start) start ;;
stop) stop ;;
*)
  echo "usage: $0 start|stop" >&2
  exit 2
  ;;
esac
