#!/usr/bin/env bash
# Prepares the test prefix as an administrator's computer looks for the DNS
# check: its administrative share mapped (dosdevices/unc/NAME/admin$ -> the
# Windows folder) and a netlogon.dns in system32\config; then runs the
# tests and takes both away again.
#   run-dns-wine.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
top=$1
build=$2
root=$build/wine
"$top/tools/wine-env.sh" ensure "$root"
eval "$("$top/tools/wine-env.sh" env "$root")"

name=$(wine cmd /c 'echo %COMPUTERNAME%' | tr -d '\r\n')
[ -n "$name" ] || { echo "run-dns-wine: no computer name" >&2; exit 1; }
unc=$WINEPREFIX/dosdevices/unc/$name
config=$WINEPREFIX/drive_c/windows/system32/config
created_unc=
[ -d "$WINEPREFIX/dosdevices/unc" ] || created_unc=yes
mkdir -p "$unc" "$config"
ln -sfn "$WINEPREFIX/drive_c/windows" "$unc/admin\$"
cleanup() {
  rm -f "$config/netlogon.dns" "$unc/admin\$"
  rmdir "$unc" 2>/dev/null || true
  [ -z "$created_unc" ] || rmdir "$WINEPREFIX/dosdevices/unc" 2>/dev/null || true
}
trap cleanup EXIT
lower=$(printf '%s' "$name" | tr 'A-Z' 'a-z')
printf '; Written by the test for %s\r\n%s. 600 IN A 127.0.0.1\r\n   _ldap._tcp.wine.test. 600 IN SRV 0 100 389 %s.wine.test.  \r\n\r\n' \
  "$name" "$lower" "$lower" > "$config/netlogon.dns"
wine "$build/bin/dns_wine_tests.exe" "--computer=$name"
