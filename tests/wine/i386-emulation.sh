#!/usr/bin/env bash
# Makes 32-bit x86 programs runnable on a machine whose kernel runs none
# natively: the kernel hands every i386 ELF program to qemu-i386-static
# through binfmt_misc. Needs root for the mount and the registration; the F
# flag has the kernel open the emulator now, so it also serves programs
# started in other mount namespaces.
#
# Exit 0 when 32-bit programs run afterwards; otherwise 1, with the reason on
# standard output (one line).
set -uo pipefail

probe=/usr/lib/wine/wine  # any 32-bit ELF program; wine32's loader is the one we need
emulator=/usr/bin/qemu-i386-static
binfmt=/proc/sys/fs/binfmt_misc
entry=qemu-i386

runs_32bit() {
  "$probe" --version >/dev/null 2>&1
}

if [ ! -x "$probe" ]; then
  echo "wine32 is not installed ($probe is missing)"
  exit 1
fi
runs_32bit && exit 0

if [ ! -x "$emulator" ]; then
  echo "qemu-user-static is not installed ($emulator is missing)"
  exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "32-bit programs do not run here, and registering the emulator needs root"
  exit 1
fi
if [ ! -e "$binfmt/register" ]; then
  if ! mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null; then
    echo "binfmt_misc cannot be mounted at $binfmt"
    exit 1
  fi
fi
if [ -e "$binfmt/$entry" ]; then
  # A registration without the F flag (or for another emulator) is replaced.
  echo -1 >"$binfmt/$entry" 2>/dev/null || true
fi
# The i386 ELF header: class 32-bit, little-endian, version 1, type
# executable or shared object, machine 3 (i386). binfmt_misc decodes the \x
# escapes itself.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
if ! printf '%s' ":$entry:M::$magic:$mask:$emulator:F" >"$binfmt/register" 2>/dev/null; then
  echo "the kernel refused the binfmt_misc registration for $emulator"
  exit 1
fi
if ! runs_32bit; then
  echo "32-bit programs still do not run after registering $emulator"
  exit 1
fi
exit 0
