#!/usr/bin/env bash
# Builds a static libcurl for x86_64-w64-mingw32 from Debian's source
# package of curl, with Windows' own TLS (Schannel) and only what vigil-web's
# notifications use: HTTP(S) for webhooks, SMTP(S) for e-mail. Installed into
# a prefix cached per source version, so that a machine builds it once;
# prints the prefix on its last line of output.
#
#   build-windows-curl.sh [CACHE]   (CACHE: /var/cache/vigil20-mingw-curl)
set -euo pipefail
cd "$(dirname "$0")/.."
cache=${1:-${VIGIL_MINGW_CURL_CACHE:-/var/cache/vigil20-mingw-curl}}

version=$(scripts/debian-source.sh --version curl)
prefix=$cache/$version
if [ -f "$prefix/lib/libcurl.a" ] && [ -f "$prefix/include/curl/curl.h" ]; then
  echo "build-windows-curl: libcurl $version cached in $prefix" >&2
  echo "$prefix"
  exit 0
fi

start=$(date +%s)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
scripts/debian-source.sh curl "$work/src" >&2
# curl's own CMake build: Debian's patches touch the autotools' inputs,
# which would want autoreconf; CMake needs nothing more than the cross-build.
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR= \
  -DCMAKE_INSTALL_PREFIX="$work/prefix" \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
  -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_WINDOWS_SSPI=ON \
  -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF \
  -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF \
  -DCURL_USE_GSSAPI=OFF -DENABLE_ARES=OFF -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON \
  -DCURL_DISABLE_FTP=ON -DCURL_DISABLE_FILE=ON -DCURL_DISABLE_TELNET=ON -DCURL_DISABLE_DICT=ON \
  -DCURL_DISABLE_TFTP=ON -DCURL_DISABLE_RTSP=ON -DCURL_DISABLE_POP3=ON -DCURL_DISABLE_IMAP=ON \
  -DCURL_DISABLE_GOPHER=ON -DCURL_DISABLE_MQTT=ON -DCURL_DISABLE_SMB=ON \
  -DCURL_DISABLE_ALTSVC=ON -DCURL_DISABLE_HSTS=ON -DCURL_DISABLE_COOKIES=ON \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" -j "${VIGIL_JOBS:-2}" >"$work/build.log" 2>&1 || { tail -n 50 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >/dev/null
# Whole or not at all: a run stopped half-way leaves no prefix behind.
mkdir -p "$cache"
rm -rf "$prefix"
mv "$work/prefix" "$prefix"
echo "build-windows-curl: libcurl $version built into $prefix in $(( $(date +%s) - start )) s" >&2
echo "$prefix"
