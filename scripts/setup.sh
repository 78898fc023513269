#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and
# this machine lacks. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(cmake g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev clang
          libclang-rt-14-dev clang-format mingw-w64 wine64 tmux less)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
