#!/usr/bin/env bash
# install_files.sh BUILD_DIR: installs into a temporary prefix and checks the
# files there, their validity and the screenshot the AppStream data names.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/usr" >/dev/null

expected="usr/bin/hrx900
usr/bin/hrx900-sim
usr/share/applications/org.hrx900.hrx900.desktop
usr/share/doc/hrx900/LICENSE
usr/share/icons/hicolor/128x128/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/16x16/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/22x22/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/24x24/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/256x256/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/32x32/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/48x48/apps/org.hrx900.hrx900.png
usr/share/icons/hicolor/64x64/apps/org.hrx900.hrx900.png
usr/share/man/man1/hrx900-sim.1
usr/share/man/man1/hrx900.1
usr/share/metainfo/org.hrx900.hrx900.metainfo.xml"
actual=$(cd "$tmp" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  echo "installed files differ from the expected list:"
  diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") || true
  exit 1
fi

desktop-file-validate "$tmp/usr/share/applications/org.hrx900.hrx900.desktop"
appstreamcli validate --no-net --pedantic "$tmp/usr/share/metainfo/org.hrx900.hrx900.metainfo.xml"

# Each icon is a PNG of its directory's size with a transparent ground.
for f in "$tmp"/usr/share/icons/hicolor/*/apps/org.hrx900.hrx900.png; do
  size=$(basename "$(dirname "$(dirname "$f")")")
  info=$(file -b "$f")
  case "$info" in
    "PNG image data, ${size/x/ x }, 8-bit/color RGBA"*) ;;
    *) echo "$f: $info"; exit 1 ;;
  esac
done

# The program runs from the prefix and names its version.
version=$("$tmp/usr/bin/hrx900" --version)
[ "$version" = "hrx900 $(sed -n 's/.*release version="\([^"]*\)".*/\1/p' \
  "$tmp/usr/share/metainfo/org.hrx900.hrx900.metainfo.xml" | head -1)" ] || {
  echo "version '$version' is not the metainfo's newest release"; exit 1; }

# The screenshot the metainfo names was taken in this build.
shot=$(sed -n 's|.*<image[^>]*>.*/\([^/<]*\)</image>.*|\1|p' \
  "$tmp/usr/share/metainfo/org.hrx900.hrx900.metainfo.xml")
[ -n "$shot" ] || { echo "the metainfo names no screenshot"; exit 1; }
case "$(file -b "$build/dist/screenshots/$shot")" in
  "PNG image data, 1024 x 335,"*) ;;
  *) echo "screenshot $shot was not made by the build"; exit 1 ;;
esac
echo "install: ok"
