#!/usr/bin/env bash
# deploy/vozmira-db.sh against the test command's database server, end to end: a database made
# by create, used through the program's own account (which may work on the rows but not change
# the schema); a first-release database made on the server, refused by the program until upgrade
# brings it up to date with its data; an online backup while the program holds the database,
# restored into a new database that the program opens with the rows and the account's rights.
#   server-script.test.sh VOZMIRA-WEB
# shellcheck source=tests/database/common.sh
source "$(dirname "$0")/common.sh"
web=$1
script=$repo/deploy/vozmira-db.sh
require_server

server=127.0.0.1/3050
# Accounts live in the server's security database, shared by every test run: names of this run.
app_user=VOZAPP_$$
old_user=VOZANTIGO_$$
app_password="Conta d'app 1"
office=$folder/office.fdb
old=$folder/old.fdb
restored=$folder/restored.fdb
# Drops the run's accounts (through any of its databases) and its databases.
drop_all() {
  local database
  for database in "$office" "$old" "$restored"; do
    printf 'DROP USER %s;\nDROP USER %s;\n' "$app_user" "$old_user" |
      "$isql" -q "$server:$database" >/dev/null 2>&1 && break
  done
  for database in "$office" "$old" "$restored"; do
    printf 'DROP DATABASE;\n' | "$isql" -q "$server:$database" >/dev/null 2>&1 || true
  done
  cleanup
}
trap drop_all EXIT

# ---- create -------------------------------------------------------------------------------------
"$script" create "$server:$office" "$app_user" "$app_password" >"$folder/create.log" 2>&1 ||
  fail "create failed: $(cat "$folder/create.log")"
[ "$(sql_value "$server:$office" "SELECT VERSAO FROM VERSAO_BANCO;")" = 2 ] ||
  fail "a new database is not at the newest schema version"
[ "$(sql_value "$server:$office" "SELECT RDB\$CHARACTER_SET_NAME FROM RDB\$DATABASE;")" = WIN1252 ] ||
  fail "a new database does not hold WIN1252 text"
if "$script" create "$server:$office" "$app_user" other >"$folder/again.log" 2>&1; then
  fail "create made a database over one that exists"
fi
grep -q "exists already" "$folder/again.log" || fail "create's refusal says: $(cat "$folder/again.log")"

# What the program's account may do, and what it may not.
as_app() {
  printf '%s\n' "$2" | ISC_USER=$app_user ISC_PASSWORD=$app_password "$isql" -q -bail -ch UTF8 "$1" >/dev/null 2>&1
}
allowed=(
  "SELECT COUNT(*) FROM SOLICITACAO;"
  "INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, '2026-04-01 09:00:00', 'Criada pela conta do programa', 5, 1, 1, 1, 1);"
  "UPDATE USUARIO SET CELULAR_USUARIO = '(11) 90000-0000' WHERE ID_USUARIO = 5;"
  "INSERT INTO TIPO_UNIDADE (ID_TIPO_UNIDADE, TIPO_UNIDADE) VALUES (0, 'Fundação');"
  "DELETE FROM TIPO_UNIDADE WHERE TIPO_UNIDADE = 'Fundação';"
  "SELECT * FROM SP_DASHBOARD_QT;"
  "SELECT * FROM SP_DASHBOARD_TIPO;"
  "SELECT NEXT VALUE FOR GEN_SOLICITACAO FROM RDB\$DATABASE;"
  "SELECT VERSAO FROM VERSAO_BANCO;"
)
refused=(
  "CREATE TABLE INTRUSA (X INTEGER);"
  "DROP TABLE SOLICITACAO;"
  "ALTER TABLE USUARIO ADD EXTRA INTEGER;"
  "DROP PROCEDURE SP_DASHBOARD_QT;"
  "UPDATE VERSAO_BANCO SET VERSAO = 99;"
  "GRANT SELECT ON USUARIO TO USER INTRUSO;"
  "CREATE USER INTRUSO PASSWORD 'x';"
)
for statement in "${allowed[@]}"; do
  as_app "$server:$office" "$statement" || fail "the program's account may not: $statement"
done
for statement in "${refused[@]}"; do
  if as_app "$server:$office" "$statement"; then
    fail "the program's account may: $statement"
  fi
done

# ---- upgrade ------------------------------------------------------------------------------------
# A first-release database on the server, with an account the office gave the program by hand.
printf "CREATE DATABASE '%s' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252;\n" "$server:$old" |
  "$isql" -q -bail -ch UTF8
for part in schema procedures seed; do
  "$isql" -q -bail -ch UTF8 "$server:$old" -i "$repo/tests/app/release1/$part.sql"
done
"$isql" -q -bail -ch UTF8 "$server:$old" <<SQL
INSERT INTO SOLICITACAO (ID_SOLICITACAO, DATA_SOLICITACAO, SOLICITACAO, ID_USUARIO, ID_PREFEITURA, ID_SITUACAO, ID_TIPO, ID_UNIDADE) VALUES (0, '2026-02-01 08:30:00', 'Feita na primeira versão', 5, 1, 1, 1, 1);
CREATE OR ALTER USER $old_user PASSWORD 'antigo';
GRANT SELECT, INSERT, UPDATE, DELETE ON SOLICITACAO TO USER $old_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON USUARIO TO USER $old_user;
GRANT SELECT ON TIPO_USUARIO TO USER $old_user;
COMMIT;
SQL
web_config "$folder/old.ini" 127.0.0.1 "$old" "$old_user" antigo
refusal=$(refused_start "$web" "$folder/old.ini")
grep -q "deploy/vozmira-db.sh upgrade" <<<"$refusal" || fail "the refusal does not name the upgrade: $refusal"

"$script" upgrade "$server:$old" >"$folder/upgrade.log" 2>&1 ||
  fail "upgrade failed: $(cat "$folder/upgrade.log")"
[ "$(sql_value "$server:$old" "SELECT VERSAO FROM VERSAO_BANCO;")" = 2 ] ||
  fail "upgrade did not reach the newest version"
[ "$(sql_value "$server:$old" "SELECT COUNT(*) FROM RDB\$RELATION_CONSTRAINTS WHERE RDB\$CONSTRAINT_NAME = 'FK_UNIDADE_TIPO_UNIDADE';")" = 1 ] ||
  fail "upgrade did not add the unit type's foreign key"
[ "$(sql_value "$server:$old" "SELECT COUNT(*) FROM SOLICITACAO;")" = 61 ] || fail "upgrade lost requests"
"$script" upgrade "$server:$old" >"$folder/upgrade-again.log" 2>&1 ||
  fail "upgrade of an up-to-date database failed: $(cat "$folder/upgrade-again.log")"

# The program starts on it through the old account, which upgrade gave the new table to, and
# stores the passwords kept as typed as hashes.
start_web "$web" "$folder/old.ini" "$folder/old-web.log"
stop_web "$folder/old-web.log"
[ "$(sql_value "$server:$old" "SELECT COUNT(*) FROM USUARIO WHERE SENHA_USUARIO NOT STARTING WITH '\$argon2id\$';")" = 0 ] ||
  fail "passwords kept as typed were not hashed at start"

# ---- backup while the program holds the database, and restore ------------------------------------
web_config "$folder/office.ini" 127.0.0.1 "$office" "$app_user" "$app_password"
start_web "$web" "$folder/office.ini" "$folder/office-web.log"
"$script" backup "$server:$office" "$folder/office.fbk" >"$folder/backup.log" 2>&1 ||
  fail "backup failed: $(cat "$folder/backup.log")"
stop_web "$folder/office-web.log"
[ ! -e "$folder/office.fbk.part" ] || fail "backup left its partial file"
if "$script" backup "$server:$office" "$folder/office.fbk" >/dev/null 2>&1; then
  fail "backup wrote over an existing file"
fi

"$script" restore "$folder/office.fbk" "$server:$restored" >"$folder/restore.log" 2>&1 ||
  fail "restore failed: $(cat "$folder/restore.log")"
if "$script" restore "$folder/office.fbk" "$server:$restored" >"$folder/restore-again.log" 2>&1; then
  fail "restore wrote over an existing database"
fi
grep -q "exists already" "$folder/restore-again.log" || fail "restore's refusal says: $(cat "$folder/restore-again.log")"

# The account's rights came back with the database, and the program opens it with its rows.
[ "$(ISC_USER=$app_user ISC_PASSWORD=$app_password sql_value "$server:$restored" "SELECT COUNT(*) FROM SOLICITACAO WHERE SOLICITACAO = 'Criada pela conta do programa';")" = 1 ] ||
  fail "the restored database lacks the row saved before the backup"
as_app "$server:$restored" "DELETE FROM SOLICITACAO WHERE SOLICITACAO = 'Criada pela conta do programa';" ||
  fail "the program's account lost its rights in the restored database"
if as_app "$server:$restored" "CREATE TABLE INTRUSA (X INTEGER);"; then
  fail "the program's account may define tables in the restored database"
fi
web_config "$folder/restored.ini" 127.0.0.1 "$restored" "$app_user" "$app_password"
start_web "$web" "$folder/restored.ini" "$folder/restored-web.log"
stop_web "$folder/restored-web.log"
echo "PASS"
