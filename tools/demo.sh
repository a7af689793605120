#!/usr/bin/env bash
# ./vantrel demo: registers the lab builds of Vantrel.dll and of the companion
# components in a demo Wine prefix and runs the console host against the
# built-in lab network. With a display (DISPLAY set) the console window opens;
# without one it runs headless on the prefix's own Xvfb, writes a TSV and a
# PNG per computer and view, and prints where they are and what each view
# shows.
#   demo.sh BUILD_DIR [console arguments...]
set -euo pipefail
build=${1:?usage: demo.sh BUILD_DIR [console arguments...]}
shift
here=$(cd "$(dirname "$0")" && pwd)
user_display=${DISPLAY:-}
root=$build/demo-wine
"$here/wine-env.sh" ensure "$root"
eval "$("$here/wine-env.sh" env "$root")"
cd "$build/bin"
echo "== Registering the lab builds in the demo prefix"
for dll in Vantrel.dll VantrelCompanions.dll; do
  wine regsvr32 /s "$dll" && echo "regsvr32 $dll: registered" || { echo "regsvr32 $dll failed"; exit 1; }
done
echo
wine vantrel-console.exe --report | tr -d '\r'
echo
if [ -n "$user_display" ] && [ "${VANTREL_DEMO_HEADLESS:-0}" != 1 ]; then
  echo "== Opening the console on $user_display (close it to end the demo)"
  DISPLAY=$user_display wine vantrel-console.exe "$@"
else
  out=$build/demo-output
  rm -rf "$out"
  mkdir -p "$out"
  args=("$@")
  [ ${#args[@]} -gt 0 ] || args=(--computer ADMIN01 --computer FS01 --computer LAPTOP07)
  echo "== No display: running the console headless into $out"
  winout=$(wine winepath -w "$out" | tr -d '\r')
  wine vantrel-console.exe --headless --out "$winout" "${args[@]}" | tr -d '\r'
  echo "== The property sheet of Spooler on ADMIN01, one picture per page"
  wine vantrel-console.exe --editor Spooler --computer ADMIN01 --out "$winout" | tr -d '\r'
  echo "== Restarting the File Sync Engine on ADMIN01 through the batch interface"
  wine vantrel-console.exe --control SyncEngine --computer ADMIN01 --out "$winout" | tr -d '\r'
  echo "== Disable Guest Accounts over five computers; TS01 under the credentials stored for it (LAB\\helpdesk)"
  printf '%s\n' 'H3lpdesk!' | wine vantrel-credentials.exe add TS01 sam 'LAB\helpdesk' --password-stdin | tr -d '\r'
  wine vantrel-console.exe --wizard guest --computer ADMIN01 --computer PRINT01 --computer FS01 --computer LAPTOP07 \
    --computer TS01 --out "$winout" | tr -d '\r'
  echo "== Reset Local Administrator's Password on ADMIN01 and PRINT01"
  wine vantrel-console.exe --wizard adminpw --computer ADMIN01 --computer PRINT01 --password 'N3w!Adm1n' \
    --out "$winout" | tr -d '\r'
  echo "== Users and groups of ADMIN01 and PRINT01; a user created, disabled and deleted, a member added, on ADMIN01"
  wine vantrel-console.exe --accounts --computer ADMIN01 --computer PRINT01 --out "$winout" | tr -d '\r'
  echo "== The terminal sessions of TS01 and the printers of PRINT01"
  wine vantrel-console.exe --headless --out "$winout" --computer TS01 --computer PRINT01 \
    --view terminalsessions --view printers | tr -d '\r'
  echo "== A message to the operator's session on TS01, then closing it, through the view's menu"
  wine vantrel-console.exe --terminal 'RDP-Tcp#7' --computer TS01 --out "$winout" | tr -d '\r'
  echo "== Check DNS Records on ADMIN01 (every record registered), PRINT01 (its SRV record missing), TS01 (no"
  echo "   netlogon.dns: its own address record; under LAB\\helpdesk) and LAPTOP07 (offline); Net Logon of PRINT01 restarted"
  wine vantrel-console.exe --wizard dns --computer ADMIN01 --computer PRINT01 --computer TS01 --computer LAPTOP07 \
    --register --out "$winout" | tr -d '\r'
  echo "== Manage Registry Entries over ADMIN01 (compliant), PRINT01 (repaired by the second phase), FS01 (denies"
  echo "   the operator) and LAPTOP07 (offline): individual entries, then the registry file"
  entries=$(wine winepath -w "$here/../scenarios/registry-entries.txt" | tr -d '\r')
  regfile=$(wine winepath -w "$here/../scenarios/registry-policy.reg" | tr -d '\r')
  wine vantrel-console.exe --wizard registry --computer ADMIN01 --computer PRINT01 --computer FS01 \
    --computer LAPTOP07 --entries "$entries" --out "$winout" | tr -d '\r'
  mkdir -p "$out/regfile"
  wine vantrel-console.exe --wizard registry --computer ADMIN01 --computer PRINT01 --computer FS01 \
    --computer LAPTOP07 --regfile "$regfile" --out "$winout\\regfile" | tr -d '\r'
  echo "== The property sheet of PRINT01's user remote: its four pages and both static route dialogs"
  wine vantrel-console.exe --user remote --computer PRINT01 --out "$winout" | tr -d '\r'
  echo "== Manage Services Wizard: Print Spooler and the File Sync Engine of ADMIN01 set to Manual, run as .\\support"
  echo "   and restarted with their dependents on ADMIN01, PRINT01 (no such account: no log-on right) and LAPTOP07 (offline)"
  wine vantrel-console.exe --wizard services --computer ADMIN01 --computer PRINT01 --computer LAPTOP07 --source ADMIN01 \
    --service "Print Spooler" --service "File Sync Engine" --startup Manual --stop --start --dependents \
    --account '.\support' --password 'Supp0rt!' --out "$winout" | tr -d '\r'
  echo "== The service batch: Print Spooler and the File Sync Engine picked on the Services tabs of ADMIN01 and PRINT01,"
  echo "   then restarted together from the Service Batch window (one batch call)"
  wine vantrel-console.exe --batch Restart --computer ADMIN01 --computer PRINT01 --service "Print Spooler" \
    --service "File Sync Engine" --out "$winout" | tr -d '\r'
  echo "Files written to $out:"
  ls -1 "$out" | sed 's/^/  /'
fi
