# Shared by scripts/run and scripts/test: installs missing Debian packages
# and configures and builds one tree.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# install_packages pkg... : apt-get update once, then install what is missing.
install_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The desktop's files' icons: GIO's content types over the shared MIME
# database, and the icon themes.
product_packages=(g++ cmake ninja-build pkgconf libasound2-dev libsdl2-dev libsdl2-image-dev libx11-dev libcairo2-dev
                  fonts-dejavu-core fonts-liberation
                  libglib2.0-dev shared-mime-info adwaita-icon-theme hicolor-icon-theme)
test_packages=(libgtest-dev libgmock-dev libjpeg-dev xvfb xauth libbenchmark-dev
               libfftw3-dev libkissfft-dev libopencv-imgproc-dev
               libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-good
               clang libclang-rt-14-dev gdb)

# build_tree dir [cmake args...] : configures and builds the whole tree.
build_tree() {
  local dir=$1; shift
  cmake -S "$top" -B "$top/$dir" -G Ninja "$@" >/dev/null
  cmake --build "$top/$dir" -j "$jobs"
}

# build_target dir target [cmake args...] : configures the tree and builds
# one target and what it needs.
build_target() {
  local dir=$1 target=$2; shift 2
  cmake -S "$top" -B "$top/$dir" -G Ninja "$@" >/dev/null
  cmake --build "$top/$dir" -j "$jobs" --target "$target"
}

# build_checks dir [cmake args...] : builds only what the tree's test pass
# runs (the tavrel_check target).
build_checks() {
  local dir=$1; shift
  build_target "$dir" tavrel_check "$@"
}
