#!/usr/bin/env bash
# Fails when a folder includes a project header from a folder above it.
#
#   check-layers.sh [--root DIR]    scan DIR (default: the checkout)
#
# Each folder may include headers ("folder/file.h") only from the folders
# listed after it, and always from itself. The module's code is layered, and
# each layer is a static library that links only the ones below it:
#
#   platform     -> (nothing of ours)           the seam declarations
#   resources    -> (nothing of ours)           resource ids, IDL
#   public       -> (nothing of ours)           what hosts may include
#   common       -> platform resources          results, RAII, dialogs, pages
#   credentials  -> common platform             alternate credentials
#   services     -> credentials common platform resources
#   views        -> services credentials common platform resources public
#   wizards      -> services credentials common platform resources  multiple-computer wizards
#   component    -> wizards views services credentials common platform resources public
#   companions   -> common platform             the companions DLL
#   console      -> common public lab           the host: never module internals
#   lab          -> common platform             the simulated network
#
# services/editor counts as services. Folders not listed (tests, bench,
# tools) are not checked. Generated headers ("Vantrel_h.h") and system
# headers (<...>) are not project folders and always allowed.
#
# Output: "file:line: FOLDER may not include OTHER/..." per violation and
# exit 1; otherwise one summary line and exit 0.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
while [ $# -gt 0 ]; do
  case "$1" in
    --root) root=${2:?--root needs a folder}; shift 2 ;;
    -h|--help) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "check-layers: unknown argument $1" >&2; exit 2 ;;
  esac
done
cd "$root"

declare -A allowed=(
  [platform]=""
  [resources]=""
  [public]=""
  [common]="platform resources"
  [credentials]="common platform"
  [services]="credentials common platform resources"
  [views]="services credentials common platform resources public"
  [wizards]="services credentials common platform resources"
  [component]="wizards views services credentials common platform resources public"
  [companions]="common platform"
  [console]="common public lab"
  [lab]="common platform"
)
# Every folder that is included from somewhere must be known, so that a new
# top-level folder gets a rule before anyone depends on it.
known=" ${!allowed[*]} "

files=0
violations=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r -d '' file; do
    files=$((files + 1))
    while IFS=: read -r line target; do
      included=${target%%/*}
      [ "$included" = "$folder" ] && continue
      case " ${allowed[$folder]} " in *" $included "*) continue ;; esac
      if [[ $known != *" $included "* ]] && [ ! -d "$included" ]; then continue; fi  # not a project folder
      echo "$file:$line: $folder may not include $target"
      violations=$((violations + 1))
    done < <(awk '/^[ \t]*#[ \t]*include[ \t]*"[A-Za-z0-9_]+\/[^"]*"/ {
                    sub(/^[^"]*"/, ""); sub(/".*$/, ""); print FNR ":" $0 }' "$file")
  done < <(find "$folder" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.rc' \) -print0 | sort -z)
done

if [ $violations -gt 0 ]; then
  echo "check-layers: $violations wrong-way include(s) in $files files" >&2
  exit 1
fi
echo "check-layers: every include of $files files goes downwards"
