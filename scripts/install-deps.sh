#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Tesselin.
# Runs apt-get as root directly, or through sudo when started by another user.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libqcustomplot-dev
  libgsf-1-dev libseccomp-dev libexpat1-dev zlib1g-dev
  libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
  locales
  clang-14 libclang-rt-14-dev
  xvfb xdotool
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${packages[@]}"

# One test proves that number reading ignores a decimal-comma locale, so make
# sure such a locale exists.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  "${as_root[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  "${as_root[@]}" locale-gen
fi
