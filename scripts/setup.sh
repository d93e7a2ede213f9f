#!/usr/bin/env bash
# Installs the Debian packages Skrytkar needs, only those that are missing (with sudo when not
# run as root).
#   scripts/setup.sh           what building and running the program needs
#   scripts/setup.sh --tests   that, plus the tools of the tests, the sanitizer and fuzzing
#                              builds and the package checks
set -euo pipefail

# Building and running: compiler and build tools, Qt, libjpeg, OpenSSL, xxHash (the digests of
# archives already checked), the 7-Zip library
# (and the 7z command), the fonts the skin maps to, Qt's Polish texts for the file dialogs.
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libjpeg62-turbo-dev
  libssl-dev
  libxxhash-dev
  p7zip-full
  fonts-dejavu-core fonts-liberation
  qt6-translations-l10n
)

# Tests: GoogleTest; clang with its runtime for the fuzzer and the sanitizers; a virtual
# display and input for the screenshots and the installed program's check; the validators
# of the desktop entry and the AppStream data; dpkg-dev and file for "cpack -G DEB", groff
# for the manual page check, lintian for Debian's own checks of the package, a session bus of
# the tests' own for the desktop notifications, systemd's tools for the schedule's unit files.
test_packages=(
  libgtest-dev libgmock-dev
  clang libclang-rt-dev
  xvfb xauth xdotool
  appstream desktop-file-utils
  dpkg-dev file groff-base lintian
  dbus-daemon systemd
)

case "${1:-}" in
  "") ;;
  --tests) packages+=("${test_packages[@]}") ;;
  *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
