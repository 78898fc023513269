#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and
# this machine lacks. Safe to run again: it installs only what is missing.
#
# The 32-bit Wine pass needs wine32, an i386 package (so the i386
# architecture is added to dpkg first), and qemu-user-static, through which
# the kernel runs 32-bit programs when it cannot itself; the emulator's
# binfmt_misc registration is made (as root) by tests/wine/i386-emulation.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev clang
          libclang-rt-14-dev clang-format mingw-w64 wine64 qemu-user-static unzip tmux less)
i386_packages=(wine32:i386)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

need_update=0
((${#missing[@]})) && need_update=1
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture (for wine32)"
  if "${sudo_cmd[@]}" dpkg --add-architecture i386; then
    need_update=1
  else
    echo "setup: cannot add the i386 architecture; the 32-bit Wine pass will be skipped" >&2
  fi
fi
if dpkg --print-foreign-architectures | grep -qx i386; then
  for p in "${i386_packages[@]}"; do
    installed "$p" || { missing+=("$p"); need_update=1; }
  done
fi

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  ((need_update)) && "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$(id -u)" -eq 0 ]; then
  if ! reason=$(tests/wine/i386-emulation.sh); then
    echo "setup: 32-bit programs cannot run here ($reason); the 32-bit Wine pass will be skipped" >&2
  fi
fi
