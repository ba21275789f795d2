#!/usr/bin/env bash
# Installs what is missing, builds, and then either runs the program's main
# job or the whole test suite.
#   scripts/setup.sh run [FILE_OR_FOLDER]
#                           build and start the program on the path (default:
#                           the sample animated cursor); without a display, on
#                           a virtual one, saving a screenshot of the main window
#   scripts/setup.sh test   build, run every test, then the sanitizer build
#                           (ASan + UBSan, clang) with its tests and fuzz smoke runs
set -euo pipefail
mode=${1:-run}
caller_dir=$(pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

packages=(
  cmake ninja-build g++ pkg-config
  zlib1g-dev libpng-dev libjpeg-dev libtiff-dev libopenjp2-7-dev
  libgtest-dev libbenchmark-dev
  qt6-base-dev fonts-dejavu-core
  python3 python3-pil imagemagick icoutils
  desktop-file-utils shared-mime-info xdg-utils libglib2.0-bin dpkg-dev file
  xvfb xauth
)
[ "$mode" = test ] && packages+=(clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)

case "$mode" in
  run)
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j "$jobs"
    target=${2:-$root/samples/vexmira-sample.ani}
    case "$target" in /*) ;; *) target="$caller_dir/$target" ;; esac
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      shot="$root/build/vexmira-screenshot.png"
      echo "No display: running Vexmira on a virtual display (Xvfb) and saving its main window to $shot"
      VEXMIRA_SCREENSHOT="$shot" VEXMIRA_SCREENSHOT_DELAY_MS=3000 \
        xvfb-run -a -s "-screen 0 1280x1024x24" ./build/vexmira "$target"
    else
      ./build/vexmira "$target"
    fi
    ;;
  test)
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j "$jobs"
    (cd build && ctest --output-on-failure -j "$jobs")
    CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVEXMIRA_SANITIZE=ON -DVEXMIRA_FUZZ=ON
    cmake --build build-asan -j "$jobs"
    (cd build-asan && ctest --output-on-failure -j "$jobs")
    # ThreadSanitizer over the threaded parts: editing workers, browser threads.
    CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXMIRA_TSAN=ON
    cmake --build build-tsan -j "$jobs" --target vexmira_editing_tests vexmira_browser_tests
    (cd build-tsan && ctest --output-on-failure -j "$jobs" -L threads)
    ;;
  *)
    echo "usage: scripts/setup.sh run [FILE_OR_FOLDER] | scripts/setup.sh test" >&2
    exit 2
    ;;
esac
