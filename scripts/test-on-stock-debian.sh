#!/usr/bin/env bash
# Runs the README's test command as root in a minimal Debian 12 root made
# with debootstrap, on a fresh clone of this repository's HEAD: proof that
# the set-up needs nothing that this machine happens to carry. Mounts inside
# the root only proc, sysfs, a new devpts and a tmpfs for /dev/shm (never the
# machine's own /dev), and unmounts them before the root is removed.
#
#   bash scripts/test-on-stock-debian.sh [FOLDER]   (default /tmp/korvel-stock-debian; kept with --keep)
set -euo pipefail
cd "$(dirname "$0")/.."
keep=false
root=/tmp/korvel-stock-debian
for argument in "$@"; do
  case $argument in
    --keep) keep=true ;;
    *) root=$argument ;;
  esac
done

command -v debootstrap >/dev/null || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
}

unmount_all() {
  for mounted in dev/shm dev/pts sys proc; do
    mountpoint -q "$root/$mounted" && umount -R "$root/$mounted"
  done
  return 0
}
finish() {
  unmount_all
  $keep || rm -rf --one-file-system "$root"
}
unmount_all
rm -rf --one-file-system "$root"
trap finish EXIT

started=$(date +%s)
debootstrap --variant=minbase --include=gpgv,git,ca-certificates bookworm "$root" http://deb.debian.org/debian
# The sources of a stock installation: the release, its updates, its security fixes.
cat >"$root/etc/apt/sources.list" <<'SOURCES'
deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
SOURCES
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The certificate authorities this machine adds for its own network (a proxy
# that signs what it passes on, say), so that https reaches the npm registry
# as it does from here; a stock machine on an open network needs none.
network_env=()
if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
  mkdir -p "$root/usr/local/share/ca-certificates"
  cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
  chroot "$root" update-ca-certificates >/dev/null
  network_env=(NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt)
fi
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
git clone -q --no-local "$PWD" "$root/root/korvel"
echo "== $(($(date +%s) - started)) s: a minimal Debian 12 root in $root; now the README's test command in it"

status=0
chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb "${network_env[@]}" \
  bash -c 'cd /root/korvel && bash scripts/test-all.sh' || status=$?
echo "== the README's test command on a minimal Debian 12 root: exit status $status," \
  "$(($(date +%s) - started)) s in all"
exit "$status"
