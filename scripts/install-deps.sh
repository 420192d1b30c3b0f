#!/usr/bin/env bash
# Installs every Debian package the build, the demo and the tests need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ pkg-config git \
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev \
  zlib1g-dev libcurl4-openssl-dev libgd-dev libsqlite3-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libzxing-dev libqrencode-dev libqrcodegencpp-dev \
  wine wine32:i386 wine64 xvfb xauth x11-utils fonts-wqy-microhei fonts-wine \
  imagemagick xdotool file python3 python3-pil \
  nginx aria2 curl \
  zip unzip libarchive-tools time \
  >/dev/null
