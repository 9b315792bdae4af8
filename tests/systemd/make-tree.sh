#!/usr/bin/env bash
# Makes, once, the Debian 12 root tree that the systemd tests boot with
# systemd-nspawn, and keeps it between runs (about 150 MB, 70 s from the
# mirror). It holds systemd and every library the project's packages
# depend on, so that apt installs them in the booted container from a
# local folder without a network. The tests' own tools (curl, upsc,
# snmpget) run from the host inside the container's network namespace.
#   make-tree.sh TREE
# A tree is made in TREE.new and renamed only when whole: an interrupted
# run leaves no half tree behind to be booted.
set -euo pipefail
tree=$1
# What vigil20, vigil-suite and vigil-gateway depend on (their Depends
# lines come from dpkg-shlibdeps), and the libraries' tools that the
# maintainer scripts call.
libraries=libc6,libstdc++6,libgcc-s1,libssl3,libcivetweb1,libcurl4,libsnmp40,libncursesw6,libtinfo6
# The release the tree was made for: a change of the list makes it again.
stamp="bookworm minbase systemd,systemd-sysv,dbus,$libraries"

if [ -f "$tree/.vigil-tree" ] && [ "$(cat "$tree/.vigil-tree")" = "$stamp" ]; then
  exit 0
fi
rm -rf "$tree.new"
trap 'rm -rf "$tree.new"' EXIT
mkdir -p "$(dirname "$tree")"
debootstrap --variant=minbase --include="systemd,systemd-sysv,dbus,$libraries" \
  bookworm "$tree.new" http://deb.debian.org/debian >"$tree.new.log" 2>&1 ||
  { tail -20 "$tree.new.log" >&2; echo "make-tree: debootstrap failed" >&2; exit 1; }
rm -f "$tree.new.log"
# apt's lists and archives are not needed offline.
rm -rf "$tree.new"/var/cache/apt/archives/*.deb "$tree.new"/var/lib/apt/lists/*_Packages
# A machine id of its own per boot, and no console login to wait for.
: >"$tree.new/etc/machine-id"
rm -f "$tree.new/etc/systemd/system/getty.target.wants/"* 
echo "$stamp" >"$tree.new/.vigil-tree"
rm -rf "$tree"
mv "$tree.new" "$tree"
trap - EXIT
