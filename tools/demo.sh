#!/usr/bin/env bash
# ./vantrel demo: registers the lab build of Vantrel.dll in a demo Wine prefix
# and runs the console host against the built-in lab network.
set -euo pipefail
build=${1:?usage: demo.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
root=$build/demo-wine
"$here/wine-env.sh" ensure "$root"
eval "$("$here/wine-env.sh" env "$root")"
cd "$build/bin"
echo "== Registering Vantrel.dll (lab build) in the demo prefix"
wine regsvr32 /s Vantrel.dll && echo "regsvr32 Vantrel.dll: registered" || { echo "regsvr32 failed"; exit 1; }
echo
wine vantrel-console.exe --report | tr -d '\r'
