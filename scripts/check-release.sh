#!/usr/bin/env bash
# Tries the README's two set-up commands on a fresh machine of one Debian release: a minimal
# debootstrap system of that release gets this repository's committed tree, and runs
# scripts/run-demo.sh and then scripts/run-tests.sh in it, as a new user would; each one's time is
# printed. Root only (debootstrap, chroot, mounts), and not for CI: it downloads a whole system and
# builds everything from nothing (about an hour on two cores).
# Usage: check-release.sh bookworm|trixie    (KEEP=1 keeps the system in /var/tmp afterwards)
set -euo pipefail
cd "$(dirname "$0")/.."
release=${1:-}
case "$release" in
  bookworm | trixie) ;;
  *) echo "usage: check-release.sh bookworm|trixie" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "check-release: run as root (debootstrap, chroot and mounts need it)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "check-release: debootstrap is missing (apt-get install debootstrap)" >&2; exit 1; }

root=$(mktemp -d "/var/tmp/check-release-$release.XXXXXX")
mounts=()
cleanup() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null || true
  done
  if grep -q " $root/" /proc/mounts; then
    echo "check-release: something is still mounted in $root; it is left there" >&2
  elif [ "${KEEP:-0}" = 1 ]; then
    echo "check-release: the system stays in $root"
  else
    rm -rf "$root"
  fi
}
trap cleanup EXIT
mount_in() {  # mount_in TARGET ARGS...: mounts inside the system, undone at exit
  local target=$root$1
  shift
  [ -e "$target" ] || mkdir -p "$target"
  mount "$@" "$target"
  mount --make-private "$target"
  mounts+=("$target")
}
elapsed() { local s=$(($(date +%s) - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

start=$(date +%s)
echo "== debootstrap $release into $root"
debootstrap --variant=minbase "$release" "$root" http://deb.debian.org/debian >"$root.debootstrap.log" 2>&1 ||
  { tail -20 "$root.debootstrap.log" >&2; echo "check-release: debootstrap failed" >&2; exit 1; }
rm -f "$root.debootstrap.log"
echo "   $(elapsed "$start")"

# A /dev of its own: the host's device files it needs, and pseudo-terminals of a new instance,
# so nothing done inside reaches the host's terminals.
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev -t tmpfs -o mode=0755 tmpfs
for node in null zero full random urandom tty; do
  touch "$root/dev/$node"
  mount_in "/dev/$node" --bind "/dev/$node"
done
mount_in /dev/pts -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts
ln -s pts/ptmx "$root/dev/ptmx"
mount_in /dev/shm -t tmpfs tmpfs
cp /etc/resolv.conf "$root/etc/resolv.conf"
# debootstrap writes no hosts file, and an installed system has one: without it "localhost" does
# not resolve (Debian 12's selenium reaches chromedriver by that name).
[ -e "$root/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
mkdir -p "$root/root/ce-molv"
git archive HEAD | tar -x -C "$root/root/ce-molv"
echo "== $(git rev-parse --short HEAD) copied in"

status=0
for command in scripts/run-demo.sh scripts/run-tests.sh; do
  echo "== ./$command"
  began=$(date +%s)
  if chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/ce-molv && ./$command" </dev/null >"$root.log" 2>&1; then
    tail -3 "$root.log"
    echo "   passed in $(elapsed "$began")"
  else
    tail -40 "$root.log"
    echo "   FAILED after $(elapsed "$began") (the whole output: $root.log)"
    status=1
    break
  fi
done
[ $status -eq 0 ] && rm -f "$root.log"
echo "== $release: $([ $status -eq 0 ] && echo passed || echo failed) in $(elapsed "$start")"
exit $status
