#!/usr/bin/env bash
# Installs what the build, the tests and the program need and are missing; does nothing when all
# is present.  Debian packages come through apt-get, web assets and the browser driver through npm
# from the committed lock file.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config clang-format
  # The fuzz build (scripts/fuzz.sh); libFuzzer and the sanitizer runtimes come with it.
  clang-15
  libgtest-dev libgmock-dev libbenchmark-dev
  firebird3.0-server firebird3.0-server-core firebird3.0-utils libfbclient2 firebird-dev
  libssl-dev zlib1g-dev libbrotli-dev libasio-dev nlohmann-json3-dev libpcre2-dev
  # Password hashes (Argon2id).
  libsodium-dev
  # Fibers for form code: a wait for the browser parks a stack instead of holding a thread.
  libboost-context-dev
  qt6-base-dev
  chromium
  nodejs npm
  # The deployment test: the load balancer in front of several processes, and its certificate.
  haproxy openssl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    # A command already on the PATH (node and npm from another source) counts as present.
    case "$p" in
      nodejs) command -v node >/dev/null && continue ;;
      npm) command -v npm >/dev/null && continue ;;
    esac
    missing+=("$p")
  fi
done

sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # The database server's administrator password, asked for on its first install.
  echo "firebird3.0-server shared/firebird/sysdba_password/first_install password tulipvane" |
    $sudo debconf-set-selections
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  echo "setup: installing npm packages from package-lock.json"
  npm ci --no-audit --no-fund
fi
