#!/usr/bin/env bash
# The Linux half of a stand-in for a Linux tool under Wine (see stand-in.c): started by Wine as
#   run-linux-tool <tool> <result folder> <arguments...>
# it runs <tool> with every Windows path among the arguments (C:\... or C:/...) turned into the Linux
# path of the same file in the Wine prefix, and leaves in the result folder its standard output (out),
# standard error (err) and, last, its exit status (status).
set -uo pipefail
linux_path() {
  if [[ "$1" =~ ^([A-Za-z]):[\\/](.*)$ ]]; then
    local rest="${BASH_REMATCH[2]}"
    printf '%s' "${WINEPREFIX:-$HOME/.wine}/dosdevices/${BASH_REMATCH[1],,}:/${rest//\\//}"
  else
    printf '%s' "$1"
  fi
}
tool="$1"
results="$(linux_path "$2")"
shift 2
args=()
for arg in "$@"; do args+=("$(linux_path "$arg")"); done
"$tool" "${args[@]}" >"$results/out" 2>"$results/err"
echo $? >"$results/status.part"
mv "$results/status.part" "$results/status"
