# Debian packages the build, the tests and the program need; installed when missing (as root).
DEPS=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
      qt6-base-dev libgl-dev ffmpeg imagemagick xvfb xauth
      libpipewire-0.3-dev pipewire wireplumber dbus gstreamer1.0-pipewire gstreamer1.0-tools
      gstreamer1.0-plugins-base doxygen clang libclang-rt-14-dev zlib1g-dev libusb-1.0-0-dev
      umockdev libumockdev-dev desktop-file-utils dpkg-dev file)

install_deps() {
    local missing=()
    for p in "${DEPS[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
            "${missing[@]}"
    fi
}
