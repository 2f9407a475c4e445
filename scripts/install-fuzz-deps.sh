#!/usr/bin/env bash
# Installs what the fuzz build needs besides scripts/install-deps.sh (run as root): clang and
# its runtime libraries with libFuzzer and the sanitizers.
set -euo pipefail
bash "$(dirname "$0")/install-deps.sh"
packages=(clang libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
