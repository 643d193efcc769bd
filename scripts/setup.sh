#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some
# are missing. Needs root (or sudo) the first time on a fresh machine.
#   scripts/setup.sh         build, run and test
#   scripts/setup.sh bench   the same and a window manager for the benchmark
# Where this machine runs 32-bit code, Wine runs the 32-bit release (with
# wine32 from the i386 architecture); elsewhere, or with QUORVANE_ARCH=x64,
# a 64-bit Wine runs the 64-bit build (see scripts/windows_arch.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

arch=$(scripts/windows_arch.sh)

# Both compilers on every machine: the 32-bit release and the 64-bit build
# are built and checked everywhere; only Wine's width follows the machine.
packages=(cmake g++ make libgtest-dev libgmock-dev clang libclang-rt-dev
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64
          xvfb xdotool x11-utils imagemagick fonts-wine zip python3 git
          e2fsprogs wixl msitools osslsigncode openssl)
need_i386=0
if [ "$arch" = x86 ]; then
    packages+=(wine32:i386)
    dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
fi
# e2fsprogs brings chattr, with which a test run as root makes the settings
# file read-only even for root. wixl builds the installer package, and
# msitools' msiextract lets the release check read it back. osslsigncode
# puts a release's signatures on the installer and checks both (Debian 12's
# own 2.5 and the 2.9 of its backports and Debian 13 serve alike), and
# openssl makes the release check's throwaway certificate. The footprint
# benchmark measures starts on a desktop with a window manager, as every real
# desktop has one.
if [ "${1:-}" = "bench" ]; then
    packages+=(openbox)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done

if [ "$need_i386" -eq 0 ] && [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}" >&2
[ "$need_i386" -eq 0 ] || $sudo dpkg --add-architecture i386
# An index fails to download while its mirror is being synced ("File has
# unexpected size"); the 32-bit packages then cannot be installed beside
# newer 64-bit ones from the index that did come. Wait and try again, and
# as a last resort install from the release's own archive alone, whose
# 32- and 64-bit packages always match.
for attempt in 1 2 3; do
    $sudo apt-get update -qq && break
    echo "apt-get update failed (try $attempt of 3)" >&2
    [ "$attempt" -eq 3 ] || sleep 30
done
install_missing() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "$@" "${missing[@]}" >/dev/null
}
if ! install_missing; then
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    alone=$(mktemp -d)
    trap 'rm -rf "$alone"' EXIT
    mkdir -p "$alone/parts" "$alone/lists/partial"
    printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$codename" "$codename" >"$alone/parts/release.sources"
    only=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$alone/parts"
          -o "Dir::State::Lists=$alone/lists")
    echo "installing from the $codename archive alone" >&2
    $sudo apt-get "${only[@]}" update -qq
    install_missing "${only[@]}"
fi
