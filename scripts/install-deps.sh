#!/usr/bin/env bash
# Installs, from Debian's packages, what building, running and testing ROZoveVI needs.
# Usage: install-deps.sh [linux] [windows] [bench] [fuzz] [package]   (no argument: linux)
# Installs only what is missing, so a machine that has everything is left alone.
# "windows" brings both MinGW-w64 cross compilers and 64-bit Wine; the i386 architecture and
# 32-bit Wine only where this machine can execute 32-bit code, and not when ROZOVEVI_NO_32BIT is
# set.
set -euo pipefail

want=("$@")
[ ${#want[@]} -gt 0 ] || want=(linux)

# Runs a 96-byte 32-bit x86 Linux program that only exits with status 42: whether the kernel
# executes 32-bit code can be told by trying, and by nothing in the package lists.
can_execute_32bit() {
  local probe status=0
  probe="$(mktemp)"
  printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

packages=()
needs_i386=false
for part in "${want[@]}"; do
  case "$part" in
    linux)
      # libxcb1-dev: the frame size asked of the X11 window manager; openbox: the window manager
      # the centring test runs under; libattr1-dev and libacl1-dev: copying a replaced file's
      # extended attributes and access control list; libmodbus-dev: the stand-in's MODBUS:
      # addresses.
      packages+=(cmake make g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev libattr1-dev
                 libacl1-dev libmodbus-dev libgtest-dev libgmock-dev fonts-liberation xvfb xauth
                 openbox clang-format)
      # Node.js and npm run the OPC UA test server; a machine with its own node keeps it.
      command -v node >/dev/null || packages+=(nodejs)
      command -v npm >/dev/null || packages+=(npm) ;;
    windows)
      # googletest: the GoogleTest and GoogleMock sources, built for the Windows tests with the
      # cross compilers.
      packages+=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine wine64
                 xvfb fonts-liberation)
      if [ -z "${ROZOVEVI_NO_32BIT:-}" ] && can_execute_32bit; then
        packages+=(wine32:i386)
        needs_i386=true
      fi ;;
    bench)
      # Google Benchmark; callgrind for the instruction counts; Xlib with DAMAGE and a virtual
      # display for the start-up measurement; libmodbus and mbpoll for the Modbus read loop.
      packages+=(libbenchmark-dev valgrind libx11-dev libxdamage-dev xvfb xauth pkg-config
                 libmodbus-dev mbpoll)
      # Node.js and npm for the OPC UA server and node-opcua's client in the OPC read loop.
      command -v node >/dev/null || packages+=(nodejs)
      command -v npm >/dev/null || packages+=(npm) ;;
    fuzz)
      # clang with libFuzzer and the sanitizers' runtimes, for the fuzz build; libmodbus for
      # the stand-in server's Modbus part that the Modbus targets link.
      packages+=(cmake make clang-14 libclang-rt-14-dev pkg-config libmodbus-dev) ;;
    package)
      # Making the Debian package and the Windows zips, and checking them; wixl makes the
      # Windows Installer packages, msitools reads them back; man-db renders the man pages;
      # bsdextrautils has rev, which a bare Debian lacks, for the installer's packed codes.
      packages+=(dpkg-dev lintian desktop-file-utils appstream g++-mingw-w64-i686
                 g++-mingw-w64-x86-64 unzip pkg-config wixl msitools man-db bsdextrautils) ;;
    *) echo "install-deps.sh: unknown part '$part' (linux, windows, bench, fuzz, package)" >&2; exit 2 ;;
  esac
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if $needs_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  rm -f /tmp/.rozovevi-apt-updated
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 \
    "${missing[@]}" >/dev/null
fi
