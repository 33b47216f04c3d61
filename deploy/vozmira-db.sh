#!/usr/bin/env bash
# Vozmira's database on a Firebird server, run by the server's administrator:
#
#   vozmira-db.sh create  HOST[/PORT]:PATH APPUSER APPPASSWORD
#       creates the database (WIN1252, as the program expects) from app/db (schema, procedures,
#       starting data) at the newest schema version, and the program's own account with rights
#       on the application's tables, sequences and procedures only; refuses a database that
#       exists
#   vozmira-db.sh upgrade HOST[/PORT]:PATH
#       applies the steps of app/db/migrations newer than the database's schema version, in
#       order, each in one transaction with its version, and gives the program's accounts their
#       rights on what the steps made
#   vozmira-db.sh backup  HOST[/PORT]:PATH FILE.fbk
#       online backup through the server (gbak), written here while the program works on
#   vozmira-db.sh restore FILE.fbk HOST[/PORT]:PATH
#       restores a backup into a new database (never over one that exists), grants included
#
# The administrator's account comes from the environment: ISC_USER and ISC_PASSWORD (read by
# isql and gbak themselves, so the password never shows on a command line).  The program's
# account is found again on upgrade as the users that may read USUARIO without passing the
# right on.
set -euo pipefail

db_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../app/db" && pwd)"
isql=$(command -v isql-fb || command -v isql || true)
gbak=$(command -v gbak || true)

fail() {
  echo "vozmira-db: $*" >&2
  exit 1
}

usage() {
  sed -n '2,16p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

need_tools() {
  [ -n "$isql" ] || fail "isql (Firebird's command-line client) is not installed"
  [ -n "$gbak" ] || fail "gbak (Firebird's backup tool) is not installed"
  if [ -z "${ISC_USER:-}" ] || [ -z "${ISC_PASSWORD:-}" ]; then
    fail "set ISC_USER and ISC_PASSWORD to the server administrator's account"
  fi
}

# HOST[/PORT]:PATH, with a path the server opens; nothing that could end an SQL string.
check_target() {
  [[ "$1" =~ ^[^:/\']+(/[0-9]+)?:[^\']+$ ]] ||
    fail "\"$1\" is not HOST[/PORT]:PATH (e.g. db.example.org/3050:/srv/vozmira/vozmira.fdb)"
}

# Runs SQL from standard input on the database, stopping at the first error; the script's
# files are UTF-8.
run_sql() {
  "$isql" -q -bail -ch UTF8 "$1"
}

# Prints the single value a query returns.
query_value() {
  printf 'SET HEADING OFF;\n%s\n' "$2" | run_sql "$1" | tr -d ' \n'
}

schema_version() {
  local target=$1 has
  has=$(query_value "$target" "SELECT COUNT(*) FROM RDB\$RELATIONS WHERE RDB\$RELATION_NAME = 'VERSAO_BANCO';")
  if [ "$has" = 0 ]; then
    echo 1
    return
  fi
  local version
  version=$(query_value "$target" "SELECT COALESCE(MAX(VERSAO), 1) FROM VERSAO_BANCO;")
  echo "$version"
}

# The migration steps, in order of their versions.
migrations() {
  find "$db_dir/migrations" -maxdepth 1 -name '[0-9][0-9][0-9]-*.sql' | sort
}

step_version() {
  local name
  name=$(basename "$1")
  echo $((10#${name:0:3}))
}

newest_version() {
  local newest=1 step
  for step in $(migrations); do
    newest=$(step_version "$step")
  done
  echo "$newest"
}

# Rights of the program's account USER: rows of the application's tables (the version only
# read), its sequences and procedures; no right to define or drop anything.
grant_rights() {
  local target=$1 user=$2
  run_sql "$target" <<SQL
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE NAME VARCHAR(63) CHARACTER SET UTF8;
BEGIN
  FOR SELECT TRIM(RDB\$RELATION_NAME) FROM RDB\$RELATIONS
      WHERE COALESCE(RDB\$SYSTEM_FLAG, 0) = 0 AND RDB\$VIEW_BLR IS NULL INTO :NAME DO
    IF (NAME = 'VERSAO_BANCO') THEN
      EXECUTE STATEMENT 'GRANT SELECT ON TABLE "' || NAME || '" TO USER $user';
    ELSE
      EXECUTE STATEMENT 'GRANT SELECT, INSERT, UPDATE, DELETE ON TABLE "' || NAME ||
                        '" TO USER $user';
  FOR SELECT TRIM(RDB\$GENERATOR_NAME) FROM RDB\$GENERATORS
      WHERE COALESCE(RDB\$SYSTEM_FLAG, 0) = 0 INTO :NAME DO
    EXECUTE STATEMENT 'GRANT USAGE ON SEQUENCE "' || NAME || '" TO USER $user';
  FOR SELECT TRIM(RDB\$PROCEDURE_NAME) FROM RDB\$PROCEDURES
      WHERE COALESCE(RDB\$SYSTEM_FLAG, 0) = 0 AND RDB\$PACKAGE_NAME IS NULL INTO :NAME DO
    EXECUTE STATEMENT 'GRANT EXECUTE ON PROCEDURE "' || NAME || '" TO USER $user';
END^
SET TERM ; ^
COMMIT;
SQL
}

# The program's accounts: users that may read USUARIO without the right to pass it on (the
# owner and the administrators hold it with that right, or by their role).
program_accounts() {
  printf '%s\n' "SET HEADING OFF;" \
    "SELECT DISTINCT TRIM(P.RDB\$USER) FROM RDB\$USER_PRIVILEGES P
     WHERE P.RDB\$RELATION_NAME = 'USUARIO' AND P.RDB\$PRIVILEGE = 'S' AND P.RDB\$USER_TYPE = 8
       AND P.RDB\$GRANT_OPTION = 0 AND P.RDB\$USER NOT IN ('SYSDBA', 'PUBLIC')
       AND P.RDB\$USER <> (SELECT RDB\$OWNER_NAME FROM RDB\$RELATIONS
                          WHERE RDB\$RELATION_NAME = 'USUARIO');" |
    run_sql "$1" | tr -d ' ' | sed '/^$/d'
}

# A database create has made and not completed, dropped when the script stops.
unfinished=
drop_unfinished() {
  if [ -n "$unfinished" ]; then
    printf 'DROP DATABASE;\n' | "$isql" -q "$unfinished" >/dev/null 2>&1 || true
    echo "vozmira-db: $unfinished not created" >&2
  fi
}
trap drop_unfinished EXIT

create() {
  local target=$1 user=$2 password=$3
  [[ "$user" =~ ^[A-Za-z][A-Za-z0-9_]{0,62}$ ]] ||
    fail "the program's account \"$user\" must be a plain name (letters, digits, _)"
  user=${user^^}
  if [ "$user" = SYSDBA ] || [ "$user" = "${ISC_USER^^}" ]; then
    fail "the program's account must not be the administrator"
  fi
  [ -n "$password" ] || fail "the program's account needs a password"
  local quoted=${password//\'/\'\'}

  if printf 'QUIT;\n' | "$isql" -q "$target" >/dev/null 2>&1; then
    fail "the database $target exists already; nothing was changed"
  fi
  printf "CREATE DATABASE '%s' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252;\n" "$target" |
    "$isql" -q -bail -ch UTF8 || fail "cannot create the database $target"
  # From here a failure drops the half-made database, so that create can run again.
  unfinished=$target
  local script
  for script in schema procedures seed; do
    run_sql "$target" <"$db_dir/$script.sql"
  done
  local version newest
  version=$(schema_version "$target")
  newest=$(newest_version)
  [ "$version" = "$newest" ] ||
    fail "schema.sql makes schema version $version but the newest step in migrations/ is $newest"
  printf "CREATE OR ALTER USER %s PASSWORD '%s';\nCOMMIT;\n" "$user" "$quoted" | run_sql "$target"
  grant_rights "$target" "$user"
  unfinished=
  echo "vozmira-db: created $target at schema version $version; the program's account is $user"
}

upgrade() {
  local target=$1 version newest step step_no
  version=$(schema_version "$target") || fail "cannot read the schema version of $target"
  newest=$(newest_version)
  if [ "$version" -gt "$newest" ]; then
    fail "$target is at schema version $version, newer than these scripts ($newest)"
  fi
  if [ "$version" -lt "$newest" ]; then
    # A first-release database gets the version table first; it says version 1 until a step
    # has run.
    if [ "$(query_value "$target" "SELECT COUNT(*) FROM RDB\$RELATIONS WHERE RDB\$RELATION_NAME = 'VERSAO_BANCO';")" = 0 ]; then
      printf 'CREATE TABLE VERSAO_BANCO (VERSAO INTEGER NOT NULL);\nCOMMIT;\n' | run_sql "$target"
    fi
    for step in $(migrations); do
      step_no=$(step_version "$step")
      [ "$step_no" -gt "$version" ] || continue
      [ "$step_no" = $((version + 1)) ] || fail "no step from schema version $version to $((version + 1))"
      {
        echo "SET AUTODDL OFF;"
        cat "$step"
        printf '\nDELETE FROM VERSAO_BANCO;\nINSERT INTO VERSAO_BANCO (VERSAO) VALUES (%s);\nCOMMIT;\n' "$step_no"
      } | run_sql "$target" ||
        fail "step $(basename "$step") failed; $target stays at schema version $version"
      version=$step_no
      echo "vozmira-db: $target upgraded to schema version $version ($(basename "$step"))"
    done
  fi
  local account
  for account in $(program_accounts "$target"); do
    grant_rights "$target" "$account"
  done
  echo "vozmira-db: $target is at schema version $version"
}

backup() {
  local target=$1 file=$2
  [ ! -e "$file" ] || fail "$file exists already; nothing was written"
  "$gbak" -b -g "$target" "$file.part" || {
    rm -f "$file.part"
    fail "the backup of $target failed"
  }
  mv "$file.part" "$file"
  echo "vozmira-db: $target backed up to $file"
}

restore() {
  local file=$1 target=$2
  [ -f "$file" ] || fail "no backup file $file"
  if printf 'QUIT;\n' | "$isql" -q "$target" >/dev/null 2>&1; then
    fail "the database $target exists already; a backup is restored into a new one only"
  fi
  # gbak itself refuses a database that exists (-create, never -replace).
  "$gbak" -c "$file" "$target" || fail "restoring $file into $target failed"
  echo "vozmira-db: $file restored into $target"
}

[ $# -ge 1 ] || usage
command=$1
shift
case "$command" in
create)
  [ $# = 3 ] || usage
  need_tools
  check_target "$1"
  create "$@"
  ;;
upgrade)
  [ $# = 1 ] || usage
  need_tools
  check_target "$1"
  upgrade "$1"
  ;;
backup)
  [ $# = 2 ] || usage
  need_tools
  check_target "$1"
  backup "$1" "$2"
  ;;
restore)
  [ $# = 2 ] || usage
  need_tools
  check_target "$2"
  restore "$1" "$2"
  ;;
*) usage ;;
esac
