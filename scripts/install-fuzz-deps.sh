#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the fuzz build needs besides scripts/install-deps.sh (run as root): clang and
# its runtime libraries with libFuzzer and the sanitizers.
set -euo pipefail
bash "$(dirname "$0")/install-deps.sh" clang libclang-rt-14-dev
