#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, only what is missing.
# Run as root (or with sudo available).
set -euo pipefail

# qt6-svg-dev renders the application picture at build time; qt6-translations-l10n gives Qt's own
# buttons and dialogs their Chinese texts; desktop-file-utils, appstream and groff-base check the
# install set. The sanitizer builds use Clang: libclang-rt-dev holds its sanitizer runtimes and
# llvm its llvm-symbolizer, which turns the reports' addresses into file and line.
packages=(cmake g++ make pkg-config libicu-dev libgtest-dev libgmock-dev
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n libgl-dev
          clang libclang-rt-dev llvm
          clang-format xvfb xauth dbus-daemon desktop-file-utils appstream groff-base)
case "${1:-}" in
--bench) packages+=(ripgrep sed grep findutils time python3) ;;
# The windows are in Chinese: without a CJK font every caption would show as boxes.
--run) packages+=(fonts-wqy-zenhei) ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
