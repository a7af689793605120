#!/usr/bin/env bash
# Installs the shipped DLLs as a setup program would: into a folder with
# spaces of a fresh Wine prefix, registered with regsvr32. Then a separate
# client process uses them through the registry, regsvr32 /u removes them,
# and the client checks what is left.
#   run-registration.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
top=$1
build=$2
root=$build/wine-registration
tools=$top/tools

"$tools/wine-env.sh" stop "$root" 2>/dev/null || true
rm -rf "$root"
"$tools/wine-env.sh" ensure "$root"
trap '"$tools/wine-env.sh" stop "$root"' EXIT
eval "$("$tools/wine-env.sh" env "$root")"

folder="$WINEPREFIX/drive_c/Program Files/Vantrel Test"
mkdir -p "$folder"
cp "$build/bin/win32/Vantrel.dll" "$build/bin/win32/VantrelCompanions.dll" "$build/bin/win32/OrloCommonUI.dll" "$folder/"
module='C:\Program Files\Vantrel Test\Vantrel.dll'
companions='C:\Program Files\Vantrel Test\VantrelCompanions.dll'
client="$build/bin/integration_client.exe"

step() { printf 'registration: %s\n' "$*"; }

step "regsvr32 $module"
wine regsvr32 /s "$module"
wine regsvr32 /s "$companions"
step "client, registered"
VANTREL_MODULE=$module wine "$client" --gtest_filter='Registered.*'
step "regsvr32 /u"
wine regsvr32 /s /u "$module"
step "client, unregistered"
wine "$client" --gtest_filter='Unregistered.*'
