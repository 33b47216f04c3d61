#!/usr/bin/env bash
# The running web program backs up its embedded database when it receives SIGUSR1: a failed
# backup is logged and the program serves on; a successful one is a complete file under the
# configured folder that gbak -c restores into a database the program opens, with the rows.
#   embedded-backup.test.sh VOZMIRA-WEB
# shellcheck source=tests/database/common.sh
source "$(dirname "$0")/common.sh"
web=$1

# The program makes its database on first start; a request is added while it is stopped, so
# that the backup has a row of this test's own.
config=$folder/Config.ini
web_config "$config" "" office.fdb SYSDBA "$ISC_PASSWORD" "BackupFolder=blocked/inner
"
start_web "$web" "$config" "$folder/first.log"
stop_web "$folder/first.log"
"$isql" -q -bail -ch UTF8 "$folder/office.fdb" <<'SQL'
INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, '2026-05-04 14:00:00', 'Guardada antes da cópia', 5, 1, 1, 1, 1);
COMMIT;
SQL

log=$folder/web.log
start_web "$web" "$config" "$log"
# A file stands where the folder would be made: the backup fails and the program serves on.
echo "not a folder" >"$folder/blocked"
kill -USR1 "$web_pid"
wait_for_line "$log" '^backup failed: ' 60 || fail "no line for the failed backup: $(cat "$log")"
kill -0 "$web_pid" || fail "a failed backup stopped the program"

# The folder from the configuration is read at each backup.
sed -i 's|^BackupFolder=.*|BackupFolder=copias|' "$config"
kill -USR1 "$web_pid"
wait_for_line "$log" '^backup written to ' 120 || fail "no backup written: $(cat "$log")"
stop_web "$log"
backup=$(sed -n 's/^backup written to //p' "$log")
[[ "$backup" =~ ^$folder/copias/office-[0-9]{8}-[0-9]{6}\.fbk$ ]] || fail "the backup is named $backup"
[ -z "$(find "$folder/copias" -name '*.part')" ] || fail "a partial backup file is left"

# Restored as the documentation says, the program opens it and the rows are there.
gbak -c "$backup" "$folder/restored.fdb"
[ "$(sql_value "$folder/restored.fdb" "SELECT COUNT(*) FROM SOLICITACAO;")" = 61 ] ||
  fail "the restored database does not hold the requests"
[ "$(sql_value "$folder/restored.fdb" "SELECT COUNT(*) FROM SOLICITACAO WHERE SOLICITACAO = 'Guardada antes da cópia';")" = 1 ] ||
  fail "the restored database lacks the request saved before the backup"
web_config "$folder/restored.ini" "" restored.fdb SYSDBA "$ISC_PASSWORD"
start_web "$web" "$folder/restored.ini" "$folder/restored.log"
stop_web "$folder/restored.log"
echo "PASS"
