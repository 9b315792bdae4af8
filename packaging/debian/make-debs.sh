#!/usr/bin/env bash
# Makes the Debian packages from a build tree:
#   make-debs.sh BUILD_DIR VERSION OUT_DIR [vigil20|vigil-suite|vigil-gateway]...
# vigil20, the daemon: the program and the sample settings where Debian
# wants them; its maintainer scripts lay out the daemon's fixed directory.
# vigil-suite, the Windows suite built for Linux, from any build tree: its
# programs' library path is set to /usr/lib/vigil20, where LineTap goes.
# vigil-gateway, the LAN's stations served to others (vigil-nut to NUT
# clients, vigil-web as a page and metrics): it never touches the UPS port,
# so it installs beside either of the two.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=$1 version=$2 out=$3
shift 3
packages=("$@")
[ "${#packages[@]}" -gt 0 ] || packages=(vigil20)
mkdir -p "$out"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Debian's fixed parts of every package: copyright and a changelog.
docs() { # PACKAGE ROOT
  mkdir -p "$2/usr/share/doc/$1"
  install -m 0644 "$here/copyright" "$2/usr/share/doc/$1/copyright"
  sed -e "s/@PACKAGE@/$1/" -e "s/@VERSION@/$version/" "$here/changelog.in" | gzip -9n >"$2/usr/share/doc/$1/changelog.gz"
  chmod 0644 "$2/usr/share/doc/$1/changelog.gz"
}
control() { # PACKAGE ROOT
  mkdir -p "$2/DEBIAN"
  local size
  size=$(du -sk --exclude=DEBIAN "$2" | cut -f1)
  sed -e "s/@VERSION@/$version/" -e "s/@SIZE@/$size/" "$here/$1.control" >"$2/DEBIAN/control"
  for script in postinst prerm postrm; do
    [ -f "$here/$1.$script" ] && install -m 0755 "$here/$1.$script" "$2/DEBIAN/$script"
  done
  return 0
}
overrides() { # PACKAGE ROOT
  [ -s "$here/$1.lintian-overrides" ] || return 0
  install -D -m 0644 "$here/$1.lintian-overrides" "$2/usr/share/lintian/overrides/$1"
}
manpage() { # SOURCE ROOT SECTION
  mkdir -p "$2/usr/share/man/man$3"
  gzip -9n <"$1" >"$2/usr/share/man/man$3/$(basename "$1").gz"
  chmod 0644 "$2/usr/share/man/man$3/$(basename "$1").gz"
}

# The shared libraries that the files need, as dpkg-shlibdeps finds them.
shlib_depends() { # PACKAGE ROOT [dpkg-shlibdeps options] FILE...
  local package=$1 root=$2
  shift 2
  mkdir -p "$stage/shlibs-$package/debian"
  printf 'Source: vigil20\n\nPackage: %s\nArchitecture: amd64\n' "$package" >"$stage/shlibs-$package/debian/control"
  (cd "$stage/shlibs-$package" && dpkg-shlibdeps -O --ignore-missing-info "$@" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
}

# The control file's Depends: line, or none when nothing is needed.
depends() { # ROOT DEPENDS
  if [ -n "$2" ]; then
    sed -i "s/@DEPENDS@/$2/" "$1/DEBIAN/control"
  else
    sed -i '/^Depends: @DEPENDS@$/d' "$1/DEBIAN/control"
  fi
}

make_vigil20() {
root=$stage/vigil20
install -D -m 0755 "$build/linux/vigil20" "$root/usr/sbin/vigil20"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/sbin/vigil20"
install -D -m 0644 "$source/linux/dist/vigil20.conf" "$root/usr/share/vigil20/vigil20.conf.sample"
install -d "$root/lib/systemd/system"
# The unit starts the program where the package put it; the daemon's own
# files stay in its fixed directory.
sed 's|/usr/local/vigil20/vigil20|/usr/sbin/vigil20|' "$source/linux/dist/vigil20.service" >"$root/lib/systemd/system/vigil20.service"
chmod 0644 "$root/lib/systemd/system/vigil20.service"
manpage "$source/linux/dist/vigil20.8" "$root" 8
docs vigil20 "$root"
overrides vigil20 "$root"
control vigil20 "$root"
dpkg-deb --root-owner-group -Zxz --build "$root" "$out/vigil20_${version}_amd64.deb" >/dev/null
echo "$out/vigil20_${version}_amd64.deb"
}

make_vigil_suite() {
root=$stage/vigil-suite
for program in alerter/alerter tools/vigil-snmp tools/vigil-reg tools/vigil-control tools/vigil20s/vigil20s \
  tools/vigil-lines tools/vigil-sc tools/vigil-session tools/vigil-msg; do
  install -D -m 0755 "$build/$program" "$root/usr/bin/$(basename "$program")"
done
install -D -m 0644 "$build/lineshare/libLineTap.so" "$root/usr/lib/vigil20/libLineTap.so"
install -m 0644 "$build/agent/libVigilAgent20.so" "$build/applet/Vigil20.cpl" "$root/usr/lib/vigil20/"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root"/usr/bin/* "$root"/usr/lib/vigil20/*
for file in "$root"/usr/bin/* "$root"/usr/lib/vigil20/*; do
  if [ -n "$(patchelf --print-rpath "$file" 2>/dev/null)" ] || patchelf --print-needed "$file" 2>/dev/null | grep -qx libLineTap.so; then
    patchelf --set-rpath /usr/lib/vigil20 "$file"
  fi
done
install -d "$root/lib/systemd/system"
sed 's|/usr/local/bin/alerter|/usr/bin/alerter|' "$source/alerter/dist/alerter.service" >"$root/lib/systemd/system/alerter.service"
sed -e 's|@VIGIL_SNMP_BIN@|/usr/bin/vigil-snmp|' -e 's|@VIGIL_SNMP_CONF@|/etc/vigil20/vigil-snmp.conf|' \
  "$source/tools/vigil_snmp/dist/vigil-snmp.service" >"$root/lib/systemd/system/vigil-snmp.service"
chmod 0644 "$root"/lib/systemd/system/*
install -D -m 0644 "$source/tools/vigil_snmp/dist/vigil-snmp.conf" "$root/etc/vigil20/vigil-snmp.conf"
install -D -m 0644 "$source/agent/mib/VIGIL20-MIB.txt" "$root/usr/share/snmp/mibs/VIGIL20-MIB.txt"
for page in alerter.8 vigil-snmp.8 vigil-control.1 vigil20s.1 vigil-tools.1; do
  manpage "$here/man/$page" "$root" "${page##*.}"
done
for tool in vigil-lines vigil-reg vigil-sc vigil-session vigil-msg; do
  ln -s vigil-tools.1.gz "$root/usr/share/man/man1/$tool.1.gz"
done
docs vigil-suite "$root"
overrides vigil-suite "$root"
control vigil-suite "$root"
depends "$root" "$(shlib_depends vigil-suite "$root" -l"$root/usr/lib/vigil20" "$root"/usr/bin/* "$root"/usr/lib/vigil20/*)"
printf '/etc/vigil20/vigil-snmp.conf\n' >"$root/DEBIAN/conffiles"
dpkg-deb --root-owner-group -Zxz --build "$root" "$out/vigil-suite_${version}_amd64.deb" >/dev/null
echo "$out/vigil-suite_${version}_amd64.deb"
}

make_vigil_gateway() {
root=$stage/vigil-gateway
install -D -m 0755 "$build/tools/vigil_nut/vigil-nut" "$root/usr/bin/vigil-nut"
install -D -m 0755 "$build/web/vigil-web" "$root/usr/bin/vigil-web"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root"/usr/bin/*
install -d "$root/lib/systemd/system"
sed 's|@CMAKE_INSTALL_PREFIX@|/usr|' "$source/tools/vigil_nut/dist/vigil-nut.service" >"$root/lib/systemd/system/vigil-nut.service"
sed 's|@CMAKE_INSTALL_PREFIX@|/usr|' "$source/web/dist/vigil-web.service" >"$root/lib/systemd/system/vigil-web.service"
chmod 0644 "$root"/lib/systemd/system/*
# Only root may read the settings: vigil-nut's hold passwords, and both may
# hold the network key.
install -d "$root/etc/vigil20"
install -m 0600 "$source/tools/vigil_nut/dist/vigil-nut.conf" "$source/web/dist/vigil-web.conf" "$root/etc/vigil20/"
manpage "$source/tools/vigil_nut/dist/vigil-nut.8" "$root" 8
manpage "$source/web/dist/vigil-web.8" "$root" 8
docs vigil-gateway "$root"
# A site's Prometheus and Grafana: the alert rules with their tests, the
# scrape and federation examples, the dashboard.
install -d "$root/usr/share/doc/vigil-gateway/examples/prometheus"
install -m 0644 "$source"/packaging/prometheus/*.yml "$source/packaging/prometheus/grafana-dashboard.json" \
  "$root/usr/share/doc/vigil-gateway/examples/prometheus/"
overrides vigil-gateway "$root"
control vigil-gateway "$root"
depends "$root" "$(shlib_depends vigil-gateway "$root" "$root"/usr/bin/*)"
printf '/etc/vigil20/vigil-nut.conf\n/etc/vigil20/vigil-web.conf\n' >"$root/DEBIAN/conffiles"
dpkg-deb --root-owner-group -Zxz --build "$root" "$out/vigil-gateway_${version}_amd64.deb" >/dev/null
echo "$out/vigil-gateway_${version}_amd64.deb"
}

for package in "${packages[@]}"; do
  case $package in
    vigil20) make_vigil20 ;;
    vigil-suite) make_vigil_suite ;;
    vigil-gateway) make_vigil_gateway ;;
    *) echo "make-debs: no package $package" >&2; exit 2 ;;
  esac
done
