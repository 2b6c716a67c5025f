#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing.
set -euo pipefail
# One package per line, with why where it is not the build itself.
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev fonts-dejavu-core
  libssl-dev           # tls:// network ports (OpenSSL)
  openssl              # tests: the station's certificates are made with the openssl command
  dbus-daemon   # tests: the suspend/resume test starts a private bus
  libhamlib-utils   # tests: rigctl as a client of the sharing server
  desktop-file-utils   # tests: desktop-file-validate on the installed menu entry
  appstream            # tests: appstreamcli validate on the installed metainfo
  dpkg-dev debhelper   # packaging: dpkg-buildpackage and debian/rules
  lintian              # packaging: CI checks the package with it
  file                 # tests: the install tests tell a PNG's size and a stripped program
  ser2net              # tests: network serial ports through the real ser2net
  at-spi2-core         # tests: the assistive-technology bus the panel is read through
  python3-pyatspi      # tests: the screen reader's side of that bus
  orca                 # tests: the screen reader itself, what it speaks read from its debug log
  python3-xlib         # tests: the keyboard given to the window and typed on it (XTest), as Orca hears it
  xvfb                 # tests and benchmarks: an X server for Qt's AT-SPI bridge (offscreen
                       # has none) and for the idle cost of the real window
  xauth                # tests: xvfb-run, for the installed package's smoke test
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
