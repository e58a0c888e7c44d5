#!/usr/bin/env bash
# Installs every Debian package the three builds and the test tiers need.
# Idempotent: packages already present are not fetched again.
#
# Where the kernel runs 32-bit programs (a tiny static i386 program tells),
# Debian's 32-bit Wine is installed too, and the Wine and GUI tiers then also
# run the shipped i686 binaries in a 32-bit prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
packages=(
  cmake make g++ clang libclang-rt-14-dev libfuzzer-14-dev
  googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev
  # The win32 thread model: its programs import only what Windows 95 to XP
  # export (the posix model's threads library needs Vista).
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth imagemagick
  # Wine draws with these faces; without them text metrics and screenshots change.
  fonts-liberation fonts-wine
)
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

if "$here/lib/runs-32bit.sh"; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: adding the i386 architecture for 32-bit Wine"
    $sudo_cmd dpkg --add-architecture i386
  fi
else
  echo "bootstrap: this machine does not run 32-bit programs; the shipped i686 binaries are checked statically only"
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "bootstrap: all ${#packages[@]} packages present"
  exit 0
fi
echo "bootstrap: installing ${missing[*]}"
# A mirror in the middle of a sync serves an index that does not match its
# release file (seen: the i386 security index); apt then fails the update.
# Try again a few times; what is still missing after that is reported by the
# install itself.
for attempt in 1 2 3; do
  $sudo_cmd apt-get update -qq && break
  echo "bootstrap: apt-get update failed (attempt $attempt of 3)"
  if [ "$attempt" -lt 3 ]; then sleep 30; fi
done
install() {
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
if ! install "${missing[@]}"; then
  # Without a consistent i386 index, 32-bit Wine cannot be installed: the
  # rest still can, and the test command then counts the 32-bit Wine and GUI
  # tiers as skipped instead of running them.
  rest=()
  for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
  [ ${#rest[@]} -lt ${#missing[@]} ] || exit 1
  echo "bootstrap: WARNING: wine32:i386 cannot be installed from this mirror now;" \
       "the i686 Wine and GUI tiers will be skipped"
  install "${rest[@]}"
fi
echo "bootstrap: done"
