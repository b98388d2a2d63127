# shellcheck shell=bash
# Shared steps of the scripts that build the game's libraries for another platform from Debian's
# own source packages (windows-deps.sh, web-deps.sh), sourced by them.
# deps_open names the platform, its cache and its toolchain file, and makes a deb-src list in the
# cache (the system's sources are left alone), so apt checks the sources' checksums.
# deps_prefix names the prefix after the libraries' versions, the extra versions given and the
# recipe (the calling script, this one and the toolchain file); where that prefix is complete it
# prints it and ends the script. deps_fetch fetches the sources into a fresh work folder;
# cmake_build (with the options the caller adds to cmake_options) and step build there with the
# log shown only on failure; deps_close marks the prefix complete, removes the older ones and
# prints the prefix, the only standard output.

# The status when the Debian sources cannot be had (no archive in apt's lists, no network):
# the caller may skip that platform's build then, but not when a build fails.
cannot_fetch=75

say() { echo "$deps_name: $*" >&2; }

# deps_open NAME CACHE TOOLCHAIN
deps_open() {
    deps_name="$1"
    cache="$2"
    toolchain="$3"
    cmake_options=()
    apt_dir="$cache/apt"
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    # One run at a time per cache: builds from two work trees would share the folders below.
    exec 9> "$cache/lock"
    flock 9

    # The deb-src list names the same Debian archives as the system's own list, since those are
    # the mirrors this machine reaches; they are signed with Debian's archive keys.
    local targets
    # shellcheck disable=SC2016 # the $(...) are apt's fields, not the shell's
    targets="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Identifier: Packages' 'Origin: Debian' | sort -u)"
    if [ -z "$targets" ]; then
        say "no Debian archive in apt's lists: run apt-get update first"
        exit $cannot_fetch
    fi
    local uri release component
    while read -r uri release component; do
        echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $release" \
            "$component"
    done <<< "$targets" > "$apt_dir/sources.list"
    apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
        -o "APT::Sandbox::User=$(id -un)")
    # Without the network the lists of an earlier run still name the versions that were built.
    # apt-get update fails when an archive cannot be reached, not only on its own errors.
    if ! apt-get "${apt_options[@]}" update -qq --error-on=any > "$apt_dir/update.log" 2>&1; then
        if ! compgen -G "$apt_dir/lists/*Sources*" > /dev/null; then
            cat "$apt_dir/update.log" >&2
            exit $cannot_fetch
        fi
        say "could not refresh the deb-src lists; using those of the last run"
    fi
}

# The newest version of a source package that the lists offer.
source_version() {
    local best="" version
    for version in $(apt-cache "${apt_options[@]}" showsrc --only-source "$1" |
        sed -n 's/^Version: //p'); do
        if [ -z "$best" ] || dpkg --compare-versions "$version" gt "$best"; then
            best="$version"
        fi
    done
    if [ -z "$best" ]; then
        say "no source package $1 in the deb-src lists"
        exit $cannot_fetch
    fi
    echo "$best"
}

# deps_prefix NAME-VERSION...: the tools' versions that, beside the libraries', make the prefix.
deps_prefix() {
    sdl2_version="$(source_version libsdl2)"
    mixer_version="$(source_version libsdl2-mixer)"
    modplug_version="$(source_version libmodplug)"
    local recipe key extra
    recipe="$(cat "$0" "${BASH_SOURCE[0]}" "$toolchain" | sha256sum | cut -c1-12)"
    key="sdl2-${sdl2_version#*:}_mixer-${mixer_version#*:}_modplug-${modplug_version#*:}"
    for extra in "$@"; do
        key+="_${extra}"
    done
    key+="_${recipe}"
    prefix="$cache/${key//[^A-Za-z0-9._+-]/-}"
    if [ -f "$prefix/.complete" ]; then
        say "up to date in $prefix"
        echo "$prefix"
        exit 0
    fi
}

# Runs a step with its output in the log, which is shown only when the step fails.
step() {
    if ! "$@" >> "$log" 2>&1; then
        tail -n 60 "$log" >&2
        say "failed: $*; the whole log is $log"
        exit 1
    fi
}

deps_fetch() {
    started=$SECONDS
    rm -rf "$prefix"
    work="$cache/work"
    rm -rf "$work"
    mkdir -p "$work"
    log="$work/build.log"
    say "fetching the Debian sources of libsdl2 $sdl2_version, libsdl2-mixer $mixer_version" \
        "and libmodplug $modplug_version"
    if ! (cd "$work" && apt-get "${apt_options[@]}" source "libsdl2=$sdl2_version" \
        "libsdl2-mixer=$mixer_version" "libmodplug=$modplug_version" >> "$log" 2>&1); then
        tail -n 20 "$log" >&2
        say "could not fetch the sources"
        exit $cannot_fetch
    fi
}

source_dir() { find "$work" -mindepth 1 -maxdepth 1 -type d -name "$1-[0-9]*"; }

# cmake_build NAME SOURCE OPTIONS...: configured with the toolchain into the prefix, with
# cmake_options too.
cmake_build() {
    local name="$1" source="$2" begun=$SECONDS
    shift 2
    step cmake -S "$source" -B "$work/build-$name" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release "${cmake_options[@]}" "$@"
    step cmake --build "$work/build-$name" -j2
    step cmake --install "$work/build-$name"
    say "built $name in $((SECONDS - begun)) s"
}

# modplug_build LAUNCHER OPTIONS...: libmodplug's own build, its configure run by LAUNCHER (env,
# or a toolchain's wrapper) with the options given; optimised as the others, without the
# debugging information of autoconf's default flags.
modplug_build() {
    local launcher="$1" begun=$SECONDS
    shift
    mkdir -p "$work/build-modplug"
    (cd "$work/build-modplug" &&
        step "$launcher" "$(source_dir libmodplug)/configure" --prefix="$prefix" \
            --disable-shared --enable-static CFLAGS=-O2 CXXFLAGS=-O2 "$@" &&
        step make -j2 && step make install)
    say "built libmodplug in $((SECONDS - begun)) s"
}

deps_close() {
    # The notices of what the game links travel with it; SDL2 and SDL2_mixer install their own.
    mkdir -p "$prefix/share/licenses/libmodplug"
    cp "$(source_dir libmodplug)/COPYING" "$prefix/share/licenses/libmodplug/"
    rm -rf "$work"
    touch "$prefix/.complete"
    say "built in $((SECONDS - started)) s into $prefix"
    # Builds for other versions or recipes are of no more use.
    local old
    for old in "$cache"/sdl2-*; do
        if [ "$old" != "$prefix" ] && [ -f "$old/.complete" ]; then
            rm -rf "$old"
        fi
    done
    echo "$prefix"
}
