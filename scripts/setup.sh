#!/usr/bin/env bash
# Shared set-up for scripts/run and scripts/test: install the Debian packages
# that are missing, then configure and build. Sourced, not run.
set -euo pipefail

TOVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TOVANE_BUILD="${TOVANE_BUILD:-$TOVANE_ROOT/build}"

TOVANE_PACKAGES=(cmake g++ ninja-build qt6-base-dev libgl-dev ccache xvfb xauth procps
                 fonts-noto-cjk attr rsync bc clang-format pkg-config libuchardet-dev
                 exfat-fuse exfatprogs qt6-translations-l10n
                 libqt6svg6 qt6-image-formats-plugins libwmf-bin emf2svg libjpeg-turbo-progs
                 libarchive-dev libgcab-dev lhasa libarchive-tools cabextract unzip zip 7zip
                 xdg-utils desktop-file-utils dpkg-dev
                 adwaita-icon-theme hicolor-icon-theme shared-mime-info fd-find)

tovane_install_packages() {
  local missing=()
  for p in "${TOVANE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

tovane_build() {
  local build_dir="$1"; shift
  local generator=()
  if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
  if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S "$TOVANE_ROOT" -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release "$@"
  else
    cmake -S "$TOVANE_ROOT" -B "$build_dir" "$@" >/dev/null
  fi
  cmake --build "$build_dir" --parallel "$(nproc)"
}
