#!/usr/bin/env bash
# install_deb.sh BUILD_DIR: makes the Debian package from the built tree,
# unpacks it into a fresh root and runs the program from there.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 || {
  cat "$tmp/cpack.log"; exit 1; }
debs=("$tmp"/pkg/hrx900_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single hrx900_*.deb"; ls "$tmp/pkg"; exit 1; }
deb=${debs[0]}

# Dependencies come from the linked libraries, not from a hand-kept list.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libqt6dbus6; do
  grep -q "\b$lib\b" <<<"$depends" || { echo "Depends lacks $lib: $depends"; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Package)" = hrx900 ] || { echo "package name"; exit 1; }

root=$tmp/root
dpkg-deb -x "$deb" "$root"
[ -x "$root/usr/bin/hrx900" ] && [ -x "$root/usr/bin/hrx900-sim" ] || { echo "programs missing"; exit 1; }
[ -f "$root/usr/share/applications/org.hrx900.hrx900.desktop" ] || { echo "desktop entry missing"; exit 1; }

"$root/usr/bin/hrx900" --version | grep -q '^hrx900 [0-9]' || { echo "--version"; exit 1; }

# Started from a folder without CommoFiles, the settings go to the user's
# configuration folder.
work=$tmp/work
mkdir -p "$work"
(cd "$work" && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$tmp/config" ASAN_OPTIONS=detect_leaks=0 \
  timeout 60 "$root/usr/bin/hrx900" --simulate --screenshot "$tmp/shot.png")
case "$(file -b "$tmp/shot.png")" in
  "PNG image data, 1024 x 335,"*) ;;
  *) echo "no screenshot from the installed program"; exit 1 ;;
esac
[ -f "$tmp/config/hrx900/CommoFiles/CommSetting.csv" ] || { echo "settings not in the user's folder"; exit 1; }
[ ! -e "$work/CommoFiles" ] || { echo "settings written below the working folder"; exit 1; }
echo "package: ok"
