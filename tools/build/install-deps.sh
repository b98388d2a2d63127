#!/usr/bin/env bash
# Installs the Debian packages that the given needs call for, only when some are missing.
# Usage: tools/build/install-deps.sh
#            build|test|fuzz|windows|web|browser|chromium|firefox|webkit|measure [...]
set -euo pipefail

packages=(cmake make g++ pkg-config libsdl2-dev libsdl2-mixer-dev libstb-dev)
for need in "$@"; do
    case "$need" in
        build) ;;
        test)
            packages+=(libgtest-dev libbenchmark-dev xvfb xdotool imagemagick clang-format valgrind)
            # The package test builds the .deb and checks what it installs, lintian included;
            # the manual page and the AppStream entry are checked with their own tools.
            packages+=(dpkg-dev file desktop-file-utils lintian man-db appstream)
            # Xlib, XTest and Damage, so the suite's builds also compile brickfall-key-latency.
            packages+=(libx11-dev libxtst-dev libxdamage-dev)
            # node, for the check of the page's server's command line.
            packages+=(nodejs)
            ;;
        # The measurements in a real window (tools/measure/desktop_cost.sh, tools/measure/key_latency.sh,
        # tools/measure/web/page_cost.mjs): the key-to-picture tool's libraries, the X server, xdotool,
        # the peer game, LBreakout2, and a compositing manager, xcompmgr.
        measure) packages+=(libx11-dev libxtst-dev libxdamage-dev xvfb xdotool lbreakout2 xcompmgr) ;;
        # clang with its sanitizer and libFuzzer runtimes
        fuzz) packages+=(clang libclang-rt-dev) ;;
        # The Windows cross-build: MinGW-w64 in its posix thread model, Wine to run what it
        # builds (64-bit alone), dpkg-source to unpack the libraries' Debian sources and
        # GoogleTest's sources to build for Windows; unzip for the test of the Windows zip.
        windows) packages+=(g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev xz-utils googletest unzip) ;;
        # The browser build: Debian's Emscripten, node to run its tools and what it builds,
        # acorn, which its JavaScript optimiser loads (a dependency of emscripten, named all
        # the same); esbuild to minify the page's glue; dpkg-source to unpack the libraries'
        # Debian sources.
        web) packages+=(emscripten nodejs node-acorn esbuild dpkg-dev xz-utils) ;;
        # The page's tests in each browser engine: Debian's Chromium and Firefox ESR, driven by
        # puppeteer-core, and WebKitGTK's WebDriver with its MiniBrowser, under Xvfb, driven by
        # selenium-webdriver; npm installs the drivers. "browser" is all three.
        chromium | firefox | webkit | browser)
            case "$need" in
                chromium) packages+=(chromium) ;;
                firefox) packages+=(firefox-esr) ;;
                webkit) packages+=(webkit2gtk-driver xvfb) ;;
                browser) packages+=(chromium firefox-esr webkit2gtk-driver xvfb) ;;
            esac
            command -v npm > /dev/null || packages+=(npm)
            ;;
        *)
            echo "unknown need: $need" >&2
            exit 2
            ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo > /dev/null; then
    as_root=(sudo)
else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive

# Another apt may hold the package system: a desktop often runs its unattended upgrades at
# boot. apt is waited for, five minutes at most, then named.
lock_wait_seconds=300
deadline=$((SECONDS + lock_wait_seconds))
apt_locks=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock
    /var/cache/apt/archives/lock)

# The processes holding one of apt's locks, one line each, from the kernel's table of locks
# ("1: POSIX ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF"; a waiter's line has "->").
apt_lock_holders() {
    local lock ids=()
    for lock in "${apt_locks[@]}"; do
        [ -e "$lock" ] && ids+=("$(stat -c '%Hd %Ld %i' "$lock" |
            (read -r major minor inode && printf '%02x:%02x:%s' "$major" "$minor" "$inode"))")
    done
    awk -v ids="${ids[*]}" 'BEGIN { split(ids, wanted, " "); for (i in wanted) held[wanted[i]] = 1 }
        $2 != "->" && ($6 in held) { print $5 }' /proc/locks | sort -u |
        while read -r pid; do ps -o pid=,args= -p "$pid" || true; done
}

# Until no other process holds apt's locks, to the deadline.
wait_for_apt() {
    local holders
    holders="$(apt_lock_holders)"
    [ -z "$holders" ] && return
    printf "Waiting for apt's locks, %d s at most; they are held by:\n%s\n" \
        "$lock_wait_seconds" "$holders" >&2
    while [ -n "$holders" ] && [ "$SECONDS" -lt "$deadline" ]; do
        sleep 2
        holders="$(apt_lock_holders)"
    done
}

# After apt failed: the processes that hold its locks, if any do.
fail_naming_holders() {
    local holders
    holders="$(apt_lock_holders)"
    [ -n "$holders" ] && printf "apt's locks are held by:\n%s\n" "$holders" >&2
    exit 1
}

# apt-get install waits for dpkg's lock itself; apt-get update does not wait for the package
# lists' lock, so the wait comes first.
wait_for_apt
"${as_root[@]}" apt-get update -qq || fail_naming_holders
"${as_root[@]}" apt-get -o DPkg::Lock::Timeout=$((deadline > SECONDS ? deadline - SECONDS : 0)) \
    install -y -qq --no-install-recommends "${missing[@]}" > /dev/null || fail_naming_holders
