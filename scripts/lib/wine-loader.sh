# wine-loader.sh - sourced by the scripts: which Wine loader starts the
# programs of a build, and whether this machine can run 32-bit programs.
#
# Debian's `wine` wrapper takes the 32-bit loader whenever 32-bit Wine is
# installed, even for a 64-bit program, and many virtual machines cannot run
# 32-bit programs at all ("Exec format error"). So 64-bit programs always go
# through the 64-bit loader, and Wine's own tools (wineboot, reg, winepath)
# are started through the loader of the build they serve, never through
# their wrappers.

# The 32-bit loader; TARNEL_WINE32 names another one (a machine without
# 32-bit support can be played by naming one that does not start).
wine32_loader() {
    echo "${TARNEL_WINE32:-/usr/lib/wine/wine}"
}

# The 64-bit loader: Debian's, or a wine64 on the PATH elsewhere.
wine64_loader() {
    if [ -x /usr/lib/wine/wine64 ]; then
        echo /usr/lib/wine/wine64
    elif command -v wine64 >/dev/null 2>&1; then
        command -v wine64
    else
        echo wine
    fi
}

# build_arch <dir>: i686 or x86_64, from the toolchain the build folder (or
# the build folder it lies in, as the demo's does) was configured with.
build_arch() {
    local d
    for d in "$1" "$1/.."; do
        if [ -f "$d/CMakeCache.txt" ]; then
            if grep -q 'toolchain-i686' "$d/CMakeCache.txt"; then echo i686; else echo x86_64; fi
            return
        fi
    done
    case $1 in *i686*) echo i686 ;; *) echo x86_64 ;; esac
}

# wine_loader <arch>
wine_loader() {
    case $1 in
    i686) wine32_loader ;;
    *) wine64_loader ;;
    esac
}

# why_no_32bit: empty when this machine runs 32-bit programs; otherwise the
# reason, in a few words. Starts the 32-bit loader once, without a window.
why_no_32bit() {
    local loader
    loader=$(wine32_loader)
    if [ ! -x "$loader" ]; then
        echo "32-bit Wine ($loader) is not installed"
        return
    fi
    # bash reports a program the kernel refuses as 126 (timeout alone would
    # retry it as a shell script and report a syntax error).
    timeout 20 bash -c 'exec "$0" --version' "$loader" > /dev/null 2>&1 < /dev/null
    case $? in
    0) ;;
    126) echo "this machine cannot run 32-bit programs, not even under emulation: $loader gives Exec format error (see scripts/setup's messages)" ;;
    *) echo "this machine cannot run 32-bit programs: $loader --version fails" ;;
    esac
}

# i686_emulated: true when i386 programs go through qemu-user (the
# binfmt_misc entry that scripts/setup registers where the kernel runs no
# 32-bit code).
i686_emulated() {
    grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null
}

# win_path <unix-path>: the path as Wine's Z: drive shows it, with no Wine
# started (winepath is a wrapper that takes the 32-bit loader).
win_path() {
    local p
    p=$(realpath -m "$1")
    printf 'Z:%s\n' "${p//\//\\}"
}

# use_wine_of <build-dir>: exports WINE (the loader for the build's programs)
# and WINELOADER, which Wine uses to start the programs those programs start.
use_wine_of() {
    WINE=$(wine_loader "$(build_arch "$1")")
    export WINE WINELOADER=$WINE
}
