#!/usr/bin/env bash
# Builds the Debian package in the build folder (default: build) with "cpack -G DEB" and checks
# it: lintian finds no error and no warning in it; unpacked into a scratch root with dpkg -x,
# every file of the layout is there, the link in bin leads to the program, the icons have their
# sizes, the manual page formats cleanly, the desktop entry and the AppStream data pass their
# validators and share the application's id with the icon, the copyright file is machine-readable
# with the GPL 3 or later and the changelog names the package's version, Depends holds the
# libraries and the 7-Zip package, and the unpacked program opens its help from its own folder
# (F1 under a virtual display, with a stand-in for xdg-open that notes the address).
set -euo pipefail
cd "$(dirname "$0")/.."
app_id=io.github.skrytkar.Skrytkar
build="$(cd "${1:-build}" && pwd)"

rm -f "$build"/skrytkar_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/skrytkar_*.deb)
deb="${debs[0]}"
[ -f "$deb" ] || { echo "check-package: no package was made" >&2; exit 1; }

scratch="$(mktemp -d)"
cleanup() {
  if [ -n "${program_pid:-}" ]; then kill "$program_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
root="$scratch/root"
dpkg -x "$deb" "$root"

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

# Debian's own checks of the package: any error or warning fails it.
if command -v lintian >/dev/null; then
  lintian_out="$(lintian --no-tag-display-limit "$deb" 2>&1 || true)"
  complaints="$(grep -E '^[EW]: ' <<<"$lintian_out" || true)"
  [ -z "$complaints" ] || fail "lintian:"$'\n'"$complaints"
else
  fail "lintian is not installed (scripts/setup.sh --tests)"
fi

for f in usr/lib/skrytkar/skrytkar usr/lib/skrytkar/skrytkar-gui usr/lib/skrytkar/Pomoc/index.htm usr/lib/skrytkar/Pomoc/styl.css \
         usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
         usr/share/man/man1/skrytkar.1.gz usr/share/doc/skrytkar/copyright usr/share/doc/skrytkar/changelog.Debian.gz; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
[ -x "$root/usr/lib/skrytkar/skrytkar" ] && [ -x "$root/usr/lib/skrytkar/skrytkar-gui" ] || fail "the programs are not executable"
[ "$(readlink "$root/usr/bin/skrytkar")" = "../lib/skrytkar/skrytkar" ] || fail "/usr/bin/skrytkar is not the link to ../lib/skrytkar/skrytkar"
[ "$(readlink -f "$root/usr/bin/skrytkar")" = "$(readlink -f "$root/usr/lib/skrytkar/skrytkar")" ] || fail "/usr/bin/skrytkar does not lead to the program"
for size in 16 22 24 32 48 64 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  if [ ! -f "$icon" ]; then
    fail "missing the ${size}px icon"
  elif ! file "$icon" | grep -q "PNG image data, $size x $size"; then
    fail "the ${size}px icon is $(file -b "$icon")"
  fi
done
# Nothing of the build or the tests goes into the package.
unexpected="$(cd "$root" && find . -type f | grep -v -E '^\./usr/(lib/skrytkar/(skrytkar|skrytkar-gui|Pomoc/.*)|share/(applications/io\.github\.skrytkar\.Skrytkar\.desktop|metainfo/io\.github\.skrytkar\.Skrytkar\.metainfo\.xml|man/man1/skrytkar\.1\.gz|icons/hicolor/[0-9]+x[0-9]+/apps/io\.github\.skrytkar\.Skrytkar\.png|doc/skrytkar/(copyright|changelog\.Debian\.gz)|lintian/overrides/skrytkar))$' || true)"
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"

desktop="$root/usr/share/applications/$app_id.desktop"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=skrytkar' "$desktop" || fail "the desktop entry does not start skrytkar from the PATH"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry's icon is not $app_id"
appstreamcli validate --no-net "$metainfo" >/dev/null \
  || { appstreamcli validate --no-net "$metainfo" >&2 || true; fail "the AppStream data do not validate"; }
grep -q "<id>$app_id</id>" "$metainfo" || fail "the AppStream id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" || fail "the AppStream data do not launch $app_id.desktop"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "the AppStream data do not name the licence"
grep -q '<release version="'"$(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')"'"' "$metainfo" || fail "the AppStream releases lack this version"
if grep -n -i 'example\.\(org\|com\|net\)' "$desktop" "$metainfo" "$root/usr/share/doc/skrytkar/copyright" \
   || dpkg-deb -f "$deb" Maintainer Homepage | grep -i 'example\.\(org\|com\|net\)'; then
  fail "a placeholder address is left"
fi

copyright="$root/usr/share/doc/skrytkar/copyright"
head -n1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  || fail "the copyright file is not machine-readable"
grep -qx 'License: GPL-3+' "$copyright" || fail "the copyright file does not name the GPL 3 or later"
changelog_version="$(zcat "$root/usr/share/doc/skrytkar/changelog.Debian.gz" | head -n1 | sed -n 's/^skrytkar (\([^)]*\)) .*/\1/p')"
[ "$changelog_version" = "$(dpkg-deb -f "$deb" Version)" ] \
  || fail "the changelog's newest entry is '$changelog_version', the package $(dpkg-deb -f "$deb" Version)"
warnings="$(zcat "$root/usr/share/man/man1/skrytkar.1.gz" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1 || true)"
[ -z "$warnings" ] || fail "the manual page: $warnings"
zcat "$root/usr/share/man/man1/skrytkar.1.gz" | grep -q 'Skrytkar [0-9]' || fail "the manual page has no version"

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in p7zip-full qt6-qpa-plugins libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libc6; do
  grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
recommends="$(dpkg-deb -f "$deb" Recommends)"
for wanted in fonts-dejavu-core fonts-liberation; do
  grep -q "$wanted" <<<"$recommends" || fail "Recommends lacks $wanted: $recommends"
done

# The installed program finds its help pages beside itself, started through the link.
bin="$scratch/fake-bin"
mkdir -p "$bin" "$scratch/home"
cat >"$bin/xdg-open" <<OPEN
#!/bin/sh
echo "\$1" >>"$scratch/opened"
OPEN
chmod +x "$bin/xdg-open"
HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/data" PATH="$bin:$PATH" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" sh -c '
    "$1" & pid=$!
    for i in $(seq 100); do
      w=$(xdotool search --pid "$pid" --onlyvisible --name Skrytkar 2>/dev/null | head -n1)
      [ -n "$w" ] && break
      sleep 0.2
    done
    if [ -n "$w" ]; then
      xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
      sleep 0.3
      xdotool key F1
      for i in $(seq 50); do [ -s "$2" ] && break; sleep 0.2; done
    fi
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; true
  ' sh "$root/usr/bin/skrytkar" "$scratch/opened"
expected="file://$root/usr/lib/skrytkar/Pomoc/index.htm"
if [ ! -s "$scratch/opened" ]; then
  fail "F1 opened nothing"
elif [ "$(head -n1 "$scratch/opened")" != "$expected" ]; then
  fail "F1 opened $(head -n1 "$scratch/opened"), not $expected"
fi

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures problem(s) in $(basename "$deb")" >&2
  exit 1
fi
echo "check-package: $(basename "$deb") is whole ($(dpkg-deb -f "$deb" Installed-Size) KiB installed)"
