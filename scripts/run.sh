#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine, builds Ocellus and starts it.
# Extra arguments go to the program (for example --app-folder ~/cameras).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOCELLUS_BUILD_TESTS=OFF
cmake --build build --target ocellus
exec build/src/app/ocellus "$@"
