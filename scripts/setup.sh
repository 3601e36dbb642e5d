#!/usr/bin/env bash
# Installs every build, test and run dependency from Debian's packages.
# Idempotent: does nothing (quietly) when everything is already there.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6svg6
  libgl-dev libxkbcommon-dev
  libsqlite3-dev zlib1g-dev libdeflate-dev libxlsxwriter-dev libkainjow-mustache-dev poppler-utils pxlib-dev
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev libglpk-dev glpk-utils
  clang-format xvfb xauth
  locales qt6-translations-l10n shared-mime-info desktop-file-utils
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The GUI tests also run in Spanish locales (decimal comma in Spain, point in Mexico).
want_locales=(es_ES.UTF-8 es_MX.UTF-8)
gen=0
for l in "${want_locales[@]}"; do
  if ! locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}"; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    gen=1
  fi
done
if [ "$gen" -eq 1 ]; then
  echo "setup: generating locales ${want_locales[*]}"
  ${SUDO:-} locale-gen >/dev/null
fi
