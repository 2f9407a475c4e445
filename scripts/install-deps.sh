#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing Framescope needs on Debian 12 (run as root), and the
# further packages named as arguments.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-base-dev-tools)
# The charts; their CMake package needs Qt's OpenGL one, which the charts package does not pull in.
packages+=(qt6-charts-dev libqt6opengl6-dev)
# The reader of field definition files (TOML).
packages+=(libtomlplusplus-dev)
# The install check: desktop entry, file types, manual page.
packages+=(desktop-file-utils shared-mime-info man-db)
# The Debian package (cpack -G DEB finds the library dependencies with these).
packages+=(dpkg-dev file)
packages+=("$@")
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
