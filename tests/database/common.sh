# shellcheck shell=bash
# Shared by the database tests: the test's own folder, the web program as a child process with
# bounded waits, and the database server the test command starts.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
web_pid=

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A folder of the test's own, removed at the end; the server's account may write in it.
folder=$(mktemp -d /tmp/vozmira-dbtest-XXXXXX)
chmod 0777 "$folder"
cleanup() {
  if [ -n "$web_pid" ]; then
    kill -KILL "$web_pid" 2>/dev/null || true
  fi
  rm -rf "$folder" 2>/dev/null || true
}
trap cleanup EXIT

# Whether a database server listens on 127.0.0.1:3050; the test command starts one.  Outside it
# the server tests are skipped (77).
require_server() {
  if ! (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then
    [ -z "${VOZMIRA_FIREBIRD_SERVER:-}" ] ||
      fail "no database server listens on 127.0.0.1:3050 although the test command started one"
    echo "no database server on 127.0.0.1:3050 (scripts/firebird-server.sh start runs one)"
    exit 77
  fi
}

# The administrator's account of the test server and of the embedded engine.
export ISC_USER=SYSDBA
ISC_PASSWORD=$(sed -n 's/^password=//p' "$repo/scripts/firebird-server.sh")
export ISC_PASSWORD

isql=$(command -v isql-fb || command -v isql)

# Waits up to SECONDS for a line matching PATTERN (grep -E) in FILE; false when the web program
# ended first or the time ran out.
wait_for_line() {
  local file=$1 pattern=$2 seconds=$3
  for _ in $(seq $((seconds * 10))); do
    grep -Eq -- "$pattern" "$file" && return 0
    if [ -n "$web_pid" ] && ! kill -0 "$web_pid" 2>/dev/null; then
      grep -Eq -- "$pattern" "$file"
      return
    fi
    sleep 0.1
  done
  return 1
}

# Starts the web program WEB with CONFIG, its output in LOG, and waits until it serves.
start_web() {
  local web=$1 config=$2 log=$3
  "$web" "$config" >"$log" 2>&1 &
  web_pid=$!
  wait_for_line "$log" '^Vozmira: open http://' 120 || {
    cat "$log" >&2
    fail "the web program did not start on $config"
  }
}

# Stops the web program with SIGTERM and checks that it ended in order.
stop_web() {
  local log=$1 code=0
  kill -TERM "$web_pid"
  wait "$web_pid" || code=$?
  web_pid=
  [ "$code" = 0 ] || {
    cat "$log" >&2
    fail "the web program ended with code $code"
  }
}

# Runs the web program on CONFIG expecting a refusal to start; prints what it said.
refused_start() {
  local web=$1 config=$2 code=0 output
  output=$(timeout 120 "$web" "$config" 2>&1) || code=$?
  [ "$code" = 1 ] || fail "the web program was to refuse $config but ended with $code: $output"
  printf '%s\n' "$output"
}

# One value of a query, as ISC_USER on DATABASE.
sql_value() {
  printf 'SET HEADING OFF;\n%s\n' "$2" | "$isql" -q -ch UTF8 "$1" | tr -d '\n' | sed 's/^ *//; s/ *$//'
}

web_config() {
  # FILE HOST DATABASE USER PASSWORD [more lines]
  local file=$1
  {
    printf '[Database]\nHost=%s\nDatabase=%s\nUser=%s\nPassword=%s\n' "$2" "$3" "$4" "$5"
    printf '%s' "${6:-}"
    printf '[Duo Server Config]\nServer Port=0\n'
  } >"$file"
}
