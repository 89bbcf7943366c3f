#!/usr/bin/env bash
# Builds the Debian package from a configured and built folder (default: build) and checks it:
# its control data and contents, then the programs and libraries from a scratch root it is
# unpacked into, with nothing of the build folder in reach.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
fail() {
    echo "package check: $*" >&2
    exit 1
}

rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$build/cpack.log" 2>&1 ||
    { cat "$build/cpack.log" >&2; fail "cpack failed"; }
deb="$(ls "$build"/package/duovue_*.deb)"

[ "$(dpkg-deb -f "$deb" Package)" = duovue ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
[ -n "$(dpkg-deb -f "$deb" Version)" ] || fail "no version"
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libc6 libstdc++6 libusb-1.0-0 libqt6widgets6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for path in ./usr/bin/zentview ./usr/bin/duovue-sim ./usr/lib/duovue/libplatform.so \
    ./usr/lib/duovue/libzentdrv.so ./usr/lib/duovue/libzentdesk.so \
    ./usr/include/duovue/platform.h ./usr/include/duovue/zentdrv.h \
    ./usr/share/applications/zentview.desktop ./etc/duovue/usb-ids; do
    grep -qx "$path" <<<"$contents" || fail "$path is not in the package"
done
grep -Eq '^\./(usr/)?lib/udev/rules\.d/70-duovue\.rules$' <<<"$contents" ||
    fail "the udev rule is not in the package"

root="$(mktemp -d /tmp/duovue-package-XXXXXX)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -e "$deb" "$root/DEBIAN"
grep -qx /etc/duovue/usb-ids "$root/DEBIAN/conffiles" || fail "the camera list is no conffile"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/zentview.desktop"

# Every program finds every library of the package inside the scratch root.
for program in "$root"/usr/bin/*; do
    libs="$(env -u LD_LIBRARY_PATH ldd "$program")"
    ! grep -q "not found" <<<"$libs" || fail "$(basename "$program"): $libs"
    for lib in $(ls "$root/usr/lib/duovue"); do
        if grep -q "$lib" <<<"$libs"; then
            grep -q "$lib => $root/" <<<"$libs" ||
                fail "$(basename "$program") takes $lib from elsewhere: $libs"
        fi
    done
done

env -u LD_LIBRARY_PATH "$root/usr/bin/duovue-sim" --help | grep -q -- --store ||
    fail "duovue-sim --help"
# zentview starts its library headless and stays up until it is stopped.
status=0
env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen DUOVUE_USB_IDS= \
    timeout 3 "$root/usr/bin/zentview" >"$root/zentview.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$root/zentview.log" >&2; fail "zentview ended with $status"; }

# Each chief header compiles on its own from the installed folder.
for header in "$root"/usr/include/duovue/*.h; do
    echo "#include \"$(basename "$header")\"" |
        g++ -std=c++20 -fsyntax-only -I"$root/usr/include/duovue" -x c++ - ||
        fail "$(basename "$header") does not compile on its own"
done
echo "package check: $(basename "$deb") is good"
