# Sourced by the project's scripts: installs the Debian packages a step
# needs when any are missing, and nothing when all are there; builds the
# Release program that several of them show.

BUILD_PACKAGES="cmake g++ make pkg-config libsdl1.2-compat-dev libgl-dev libglu1-mesa-dev libx11-dev libgl1-mesa-dri"
WINDOW_PACKAGES="xvfb xauth xdotool imagemagick"
TEST_PACKAGES="libgtest-dev libxfixes-dev desktop-file-utils appstream clang-format clang-tidy dpkg-dev openbox x11-utils $WINDOW_PACKAGES"
BENCH_PACKAGES="libbenchmark-dev"

need() {  # need PACKAGE...
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}" >&2
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
}

buildrelease() {  # build/release/cubebloom, without tests
    need $BUILD_PACKAGES
    cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build build/release -j "$(nproc)" >/dev/null
}
