# Installs the Debian packages named in its arguments that are not installed yet.
# Sourced by ./play and ./test; uses sudo when not run as root, and does nothing when
# every package is already there.
install_missing_packages() {
    missing=""
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $package"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    if [ "$(id -u)" -eq 0 ]; then
        sudo_cmd=""
    else
        sudo_cmd="sudo"
    fi
    $sudo_cmd apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends $missing
}

# What building and running the game needs.
GAME_PACKAGES="cmake make g++ pkg-config libsdl1.2-compat-dev libgl-dev libgl1-mesa-dri libstb-dev"

# What ./test needs on top: unit tests, the virtual screen and key presses, clang with its
# sanitizer and fuzzer runtimes, and sox to make damaged sample files.
TEST_PACKAGES="libgtest-dev xvfb xauth xdotool clang libclang-rt-14-dev sox libsox-fmt-base"
