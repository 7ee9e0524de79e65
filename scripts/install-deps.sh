#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root; a no-op when they are there).
set -euo pipefail
pkgs=(cmake ninja-build g++ ccache pkg-config
      libgtest-dev libgmock-dev libbenchmark-dev
      zlib1g-dev libminizip-dev libcurl4-openssl-dev
      libcairo2-dev libpango1.0-dev fonts-liberation fonts-dejavu-core fonts-wqy-microhei
      libgtk-3-dev libwebkit2gtk-4.1-dev xvfb xauth xdotool python3)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
