#!/usr/bin/env bash
# Shared set-up of scripts/run, scripts/test and scripts/bench: installs what is missing from
# Debian's packages, then configures and builds into a kept build folder.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(
  cmake ninja-build g++ ccache pkg-config python3 clang-format dpkg-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
  libsqlite3-dev libpq-dev sqlite3 unixodbc unixodbc-dev libsqliteodbc odbc-postgresql postgresql-doc-15
  postgresql
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fontconfig
  poppler-utils xvfb xauth
  openbox xdotool wmctrl x11-utils
  desktop-file-utils appstream lintian file
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# configure_and_build <build-dir> <build-type> [extra cmake args...]
# With BUILD_TARGET set, only that target (and what it needs) is built.
configure_and_build() {
  local dir="$1" type="$2"; shift 2
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$ROOT"
  # Worktrees and clones at other paths share the cache: debug info keeps relative paths.
  export CCACHE_NOHASHDIR=1
  # Configured every time, so that a kept build folder takes the options given now.
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
}
