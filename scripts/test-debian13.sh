#!/usr/bin/env bash
# Runs tests inside a throwaway Debian 13 root made with debootstrap, whose
# Wine (10) really switches the input desktop when a tray icon is pressed.
# The root gets this checkout's files, does its own set-up with
# scripts/setup.sh and builds Quorvane.exe with Debian 13's compilers.
#   scripts/test-debian13.sh        the start-up and tray tests (what CI runs)
#   scripts/test-debian13.sh --all  the whole test command
# Needs root (it mounts /proc and /dev into the new root). Everything it made
# is removed when it ends, also when a test fails or it is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."

suite=${DEBIAN13_SUITE:-trixie}
mirror=${DEBIAN13_MIRROR:-http://deb.debian.org/debian}
# The tests that see a desktop switch, and the start that makes the desktops.
e2e_tests=(--test first_start --test second_start --test tray_)

fail() {
    echo "test-debian13: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || fail "needs root to make and enter a Debian root; run it with sudo"
if ! command -v debootstrap >/dev/null; then
    # An index of another architecture failing (a mirror being synced) does
    # not keep this one package from installing.
    apt-get update -qq || echo "test-debian13: apt-get update failed; installing anyway" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap \
        >/dev/null || fail "cannot install debootstrap"
fi

root=$(mktemp -d /var/tmp/quorvane-debian13.XXXXXX)
# It becomes the root directory, which every user inside must get through.
chmod 755 "$root"

processes_in_root() {
    local link
    for link in /proc/[0-9]*/root; do
        [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && basename "$(dirname "$link")"
    done
    return 0
}

remove_root() {
    local pids mounts
    pids=$(processes_in_root)
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
    # Deepest mount first; a lazy unmount for one still busy.
    mounts=$(awk -v root="$root" 'index($2, root "/") == 1 { print $2 }' /proc/mounts | sort -r)
    for mount_point in $mounts; do
        umount "$mount_point" 2>/dev/null || umount -l "$mount_point"
    done
    if awk -v root="$root" 'index($2, root "/") == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        echo "test-debian13: mounts left under $root; not removing it" >&2
        return
    fi
    rm -rf --one-file-system "$root"
}
trap remove_root EXIT

started=$SECONDS
echo "== Debian 13 root in $root ($suite from $mirror)"
debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -n 20 "$root.debootstrap.log" >&2; rm -f "$root.debootstrap.log"
      fail "cannot make a Debian 13 root with debootstrap (see the lines above)"; }
rm -f "$root.debootstrap.log"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# A clone, for the test command's two builds of the commit, with this
# checkout's uncommitted files laid over it.
git clone -q "$PWD" "$root/src"
# On a branch even when this checkout is not, so that clones of it made
# inside start on one too.
git -C "$root/src" checkout -q -B under-test "$(git rev-parse HEAD)"
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$root/src"
echo "root made in $((SECONDS - started)) s"

# The root shares this machine's kernel, so it runs the build this machine
# can run: the 32-bit release, or the 64-bit build where no 32-bit code runs.
arch=$(scripts/windows_arch.sh)
echo "end-to-end tests inside the root run the $([ "$arch" = x64 ] && echo 64 || echo 32)-bit build"

in_root() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        CI="${CI:-}" QUORVANE_ARCH="$arch" bash -c "cd /src && $1"
}

started=$SECONDS
echo "== set-up inside the root"
in_root scripts/setup.sh
echo "set-up done in $((SECONDS - started)) s"

started=$SECONDS
if [ "${1:-}" = "--all" ]; then
    in_root scripts/test.sh
else
    echo "== build and end-to-end tests inside the root"
    # Debian 13's compiler and linker are newer: the exe they make is
    # checked as the test command checks Debian 12's.
    in_root "exe=\$(scripts/build-windows.sh | tail -n 1) &&
             python3 scripts/check_hardening.py \$exe &&
             QUORVANE_EXE=\$exe python3 tests/e2e/run_e2e.py ${e2e_tests[*]}" |
        tee "$root/e2e.log"
    # The point of this run: a press seen to change the input desktop.
    grep -q '^CHECKED tray_presses_flip_desktops' "$root/e2e.log" ||
        fail "the tray test did not see the input desktop change in Debian 13's Wine"
fi
echo "tests inside the root done in $((SECONDS - started)) s"
