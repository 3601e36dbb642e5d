#!/usr/bin/env bash
# Fails when SQL text appears above the store: the windows, the shell, the workflows and the
# command-line program ask src/store for a named query or a service instead.
set -euo pipefail
cd "$(dirname "$0")/.."
dirs=()
for d in src/catalog src/shell src/cli src/workflows; do
  [ -d "$d" ] && dirs+=("$d")
done
[ ${#dirs[@]} -gt 0 ] || exit 0
# A string literal that holds a statement, or SQL handed straight to the connection.
statement='"[^"]*\b(select\b[^"]*\bfrom|insert[[:space:]]+(or[[:space:]]+[a-z]+[[:space:]]+)?into|update[[:space:]]+[a-z_."]+[[:space:]]+set|delete[[:space:]]+from|create[[:space:]]+(temp[[:space:]]+|temporary[[:space:]]+|unique[[:space:]]+)?(table|index|trigger|view)|drop[[:space:]]+(table|index|trigger|view)|alter[[:space:]]+table|pragma[[:space:]]+[a-z_]+|begin[[:space:]]+transaction|(order|group)[[:space:]]+by)\b'
direct='\b(prepare|cached|exec)[[:space:]]*\([[:space:]]*(std::string[[:space:]]*\()?"'
hits=$(grep -rnEi --include='*.cpp' --include='*.h' -e "$statement" -e "$direct" "${dirs[@]}" |
  grep -vE '^[^:]+:[0-9]+:[[:space:]]*//' || true)
if [ -n "$hits" ]; then
  echo "$hits"
  echo "sql layers: SQL text above src/store (move it into a named query or service of the store)"
  exit 1
fi
echo "sql layers: ok"
