#!/usr/bin/env bash
# install_deb.sh: checks the Debian package HRX900_DEB names, as
# dpkg-buildpackage made it: its fields and files, the debug symbols beside
# it, the program run from it unpacked into a fresh root and, once it is the
# installed package, the installed program (the package's own smoke test).
# HRX900_DEB_INSTALLED=1 makes that last part required. Without HRX900_DEB it
# is skipped (77): a package is a second whole build, made once in CI by
# tools/run-tests.sh package.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
deb=${HRX900_DEB:-}
if [ -z "$deb" ]; then
  echo "no package named (HRX900_DEB): skipped"
  exit 77
fi
[ -f "$deb" ] || { echo "$deb: no such file"; exit 1; }
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
tmp=$(mktemp -d)
smoke=
trap '[ -z "$smoke" ] || kill "$smoke" 2>/dev/null; rm -rf "$tmp"' EXIT

[ "$(dpkg-deb -f "$deb" Package)" = hrx900 ] || { echo "package name"; exit 1; }
# Dependencies come from the linked libraries, not from a hand-kept list.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libqt6dbus6 libssl3; do
  grep -q "\b$lib\b" <<<"$depends" || { echo "Depends lacks $lib: $depends"; exit 1; }
done
if grep -q '\${' <<<"$depends"; then echo "unexpanded Depends: $depends"; exit 1; fi

# Manual pages compressed, Debian's copyright and changelog in place of the
# licence's full text.
expected="usr/bin/hrx900
usr/bin/hrx900-sim
usr/share/applications/org.hrx900.hrx900.desktop
usr/share/doc/hrx900/changelog.gz
usr/share/doc/hrx900/copyright
usr/share/icons/hicolor/128x128/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/16x16/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/22x22/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/24x24/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/256x256/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/32x32/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/48x48/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/64x64/apps/org.hrx900.hrx900.png
usr/share/man/man1/hrx900-sim.1.gz
usr/share/man/man1/hrx900.1.gz
usr/share/metainfo/org.hrx900.hrx900.metainfo.xml"
root=$tmp/root
dpkg-deb -x "$deb" "$root"
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  echo "packaged files differ from the expected list:"
  diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") || true
  exit 1
fi
for page in hrx900 hrx900-sim; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 " || { echo "$page.1.gz"; exit 1; }
done
grep -q '^License: GPL-3+$' "$root/usr/share/doc/hrx900/copyright" || { echo "copyright"; exit 1; }

# Each program stripped, its symbols in the -dbgsym package beside this one
# under its build id.
dbgsym=$(dirname "$deb")/hrx900-dbgsym_$(dpkg-deb -f "$deb" Version)_$(dpkg-deb -f "$deb" Architecture).deb
[ -f "$dbgsym" ] || { echo "no $dbgsym"; exit 1; }
debug_files=$(dpkg-deb -c "$dbgsym")
for prog in hrx900 hrx900-sim; do
  info=$(file -b "$root/usr/bin/$prog")
  case "$info" in
    *", stripped"*) ;;
    *) echo "$prog: $info"; exit 1 ;;
  esac
  id=$(sed -n 's/.*BuildID\[sha1\]=\([0-9a-f]*\).*/\1/p' <<<"$info")
  grep -q "usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug$" <<<"$debug_files" ||
    { echo "$prog: no debug symbols for build id '$id'"; exit 1; }
done

"$root/usr/bin/hrx900" --version | grep -q '^hrx900 [0-9]' || { echo "--version"; exit 1; }

# The installed package, when it is this one: every file as packaged, and the
# smoke test autopkgtest runs (beside the run below: each mostly waits on the
# simulated radio).
installed=$(dpkg-query -W -f='${db:Status-Status} ${Version} ${Architecture}' hrx900 2>/dev/null || true)
if [ "$installed" = "installed $(dpkg-deb -f "$deb" Version) $(dpkg-deb -f "$deb" Architecture)" ] &&
   cmp -s /usr/bin/hrx900 "$root/usr/bin/hrx900"; then
  dpkg --verify hrx900 || { echo "installed files changed"; exit 1; }
  mkdir -p "$tmp/smoke"
  AUTOPKGTEST_TMP=$tmp/smoke env -u QT_QPA_PLATFORM sh "$src/debian/tests/smoke" >"$tmp/smoke.log" 2>&1 &
  smoke=$!
elif [ "${HRX900_DEB_INSTALLED:-0}" = 1 ]; then
  echo "this package is not the installed one (${installed:-none})"
  exit 1
fi

# Started from a folder without CommoFiles, the settings go to the user's
# configuration folder.
work=$tmp/work
mkdir -p "$work"
(cd "$work" && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$tmp/config" \
  timeout 60 "$root/usr/bin/hrx900" --simulate --screenshot "$tmp/shot.png")
case "$(file -b "$tmp/shot.png")" in
  "PNG image data, 1024 x 335,"*) ;;
  *) echo "no screenshot from the packaged program"; exit 1 ;;
esac
[ -f "$tmp/config/hrx900/CommoFiles/CommSetting.csv" ] || { echo "settings not in the user's folder"; exit 1; }
[ ! -e "$work/CommoFiles" ] || { echo "settings written below the working folder"; exit 1; }

if [ -n "$smoke" ]; then
  smoke_rc=0
  wait "$smoke" || smoke_rc=$?
  smoke=
  cat "$tmp/smoke.log"
  [ "$smoke_rc" -eq 0 ] || { echo "installed program's smoke test"; exit 1; }
  echo "package: ok, installed: ok"
else
  echo "package: ok (not the installed one: not run from /usr/bin)"
fi
