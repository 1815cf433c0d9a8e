# Package helpers sourced by ./play, ./test and ./install.

# Runs a command as root: directly when we are root, through sudo otherwise.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Installs the Debian packages named in its arguments that are not installed yet; does
# nothing when every package is already there.
install_missing_packages() {
    missing=""
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $package"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    as_root apt-get update
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
}

# What building and running the game needs; libnatpmp and miniupnpc ask the home router to
# open the host's port, OpenSSL's libcrypto stretches the join code into its key and seals what
# goes through a meeting point, and libnats is the meeting point's client.
GAME_PACKAGES="cmake make g++ pkg-config libsdl1.2-compat-dev libgl-dev libgl1-mesa-dri libstb-dev libenet-dev libnatpmp-dev libminiupnpc-dev libssl-dev libnats-dev"

# What ./web needs to build the page and serve it.
WEB_PACKAGES="cmake make emscripten libstb-dev python3"

# What ./test needs on top: unit tests, the virtual screen and key presses, a window manager
# to switch between full screen and the window (and xprop to see it ready), clang with its
# sanitizer and fuzzer runtimes, sox to make damaged sample files, the checkers of the
# installed package (its desktop entry, the distribution's lintian, the AppStream
# metainfo, the manual page), python3 for the check of the code's shape, and a browser
# for the page; a home router in network namespaces (miniupnpd with its nftables backend, and
# nftables for the router's rules); a meeting point (nats-server) on loopback and in the
# namespaces.
TEST_PACKAGES="nats-server python3 libgtest-dev xvfb xauth xdotool openbox x11-utils clang libclang-rt-14-dev sox libsox-fmt-base desktop-file-utils lintian appstream man-db chromium miniupnpd miniupnpd-nftables nftables iproute2"
