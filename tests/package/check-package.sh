#!/bin/sh
# check-package.sh BUILD_DIR
# Installs BUILD_DIR/movrel_*.deb with apt on a fresh Debian 12 root and uses
# it there as a user would: movrel --version, man movrel, and bash completing
# "movrel rec<Tab>". The root comes from debootstrap (with man-db and
# bash-completion, which a user of man and of completion has); a tarball of it
# is kept in BUILD_DIR so that later runs start again from the same fresh root
# without the network. Exits 77, saying why, where it cannot run.
set -eu
build=$1
deb=$(ls "$build"/movrel_*.deb 2>/dev/null | head -n 1)
skip() { echo "skipped: $*"; exit 77; }
[ -n "$deb" ] || { echo "no package in $build (make package)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "installing on a Debian root needs root (chroot)"
tarball=$build/debian12-root.tar
if [ ! -f "$tarball" ]; then
  command -v debootstrap >/dev/null || skip "needs debootstrap (Debian: debootstrap)"
  fresh=$(mktemp -d)
  debootstrap --variant=minbase --include=man-db,bash-completion bookworm "$fresh" \
    http://deb.debian.org/debian >"$build/debootstrap.log" 2>&1 ||
    { rm -rf "$fresh"; skip "debootstrap could not make a Debian 12 root (network?): see $build/debootstrap.log"; }
  tar -C "$fresh" -cf "$tarball" .
  rm -rf "$fresh"
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
tar -C "$root" -xf "$tarball"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
in_root apt-get install -y --no-install-recommends "/tmp/$(basename "$deb")" >"$build/package-install.log" 2>&1 ||
  { cat "$build/package-install.log"; echo "apt could not install the package"; exit 1; }
echo "installed: $(in_root dpkg-query -W -f='${Package} ${Version} ${Architecture}' movrel)"
version=$(in_root movrel --version)
echo "movrel --version: $version"
[ "$version" = "movrel $(in_root dpkg-query -W -f='${Version}' movrel)" ]
in_root man -P cat movrel 2>/dev/null | grep -q 'movrel recover' || { echo "man movrel shows no page"; exit 1; }
echo "man movrel: shows the page"
completed=$(in_root bash -c '. /usr/share/bash-completion/bash_completion
  _completion_loader movrel
  COMP_WORDS=(movrel rec); COMP_CWORD=1; COMP_LINE="movrel rec"; COMP_POINT=${#COMP_LINE}
  $(complete -p movrel | sed "s/.*-F \([^ ]*\) .*/\1/") movrel rec movrel
  printf "%s\n" "${COMPREPLY[@]}"')
echo "movrel rec<Tab>: $completed"
[ "$completed" = "recover" ]
in_root apt-get remove -y movrel >/dev/null 2>&1
[ ! -e "$root/usr/bin/movrel" ] || { echo "apt remove left /usr/bin/movrel"; exit 1; }
echo "removed again with apt"
