#!/bin/sh
# Installs the shipped colour schemes into the user's data folder, as an installation does:
# the defaults (.def) and first working copies (.lst) of both protocol versions. A file that is
# already there is left alone, so the user's own colours are never overwritten.
set -eu

source_dir=$(cd "$(dirname "$0")/../core/colors" && pwd)
target_dir="${XDG_DATA_HOME:-$HOME/.local/share}/Kestrant/Framescope"

mkdir -p "$target_dir"
for base in colors3G colorsV4; do
    for suffix in def lst; do
        target="$target_dir/$base.$suffix"
        if [ ! -e "$target" ]; then
            cp "$source_dir/$base.def" "$target"
            chmod 0644 "$target"
        fi
    done
done
