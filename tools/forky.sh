# Sourced by ./dev: CPython 3.14 and 3.15 where the machine has neither.
#
# Debian's testing suite, forky, serves python3.14 and python3.15 as binary
# packages only, built against its own C library, which is newer than
# stable's: they run in a forky root made once by debootstrap under
# ~/.cache/vexari/ (stable's debootstrap has no forky script; the sid one
# makes it). Commands run there chrooted, in a private mount namespace with
# the checkout, /tmp and the devices bound in (tools/in_forky.sh), so that
# ./dev itself runs inside and builds and tests as it would natively.
#
# The amd64 root holds what the suite needs of the system (the compiler for
# the tests that build C++, Chromium for the site tests); a root of another
# architecture (arm64, for the aarch64 wheels) holds the interpreters and
# their headers only, and its programs run under qemu-user.

FORKY_VERSIONS=(3.14 3.15)
# What making a root relies on: the archive this machine is set up for, and
# debootstrap's script for Debian's testing suite.
forky_sources=/etc/apt/sources.list.d/debian.sources
forky_script=/usr/share/debootstrap/scripts/sid

# The packages of a root: the interpreters with venv support and headers,
# and on this machine's architecture what the suite needs besides (the
# compiler, and the certificates pip reaches PyPI with); the other roots only
# install a wheel from a file, under emulation, where every package costs.
forky_packages() {
    local debian=$1 version packages=()
    for version in "${FORKY_VERSIONS[@]}"; do
        packages+=("python$version" "python$version-venv" "python$version-dev")
    done
    [ "$debian" = "$(dpkg --print-architecture)" ] && packages+=(g++ binutils ca-certificates)
    (IFS=,; echo "${packages[*]}")
}

# Why a forky root cannot be had here, or nothing.
forky_missing() {
    [ "$(id -u)" = 0 ] ||
        { echo "making and entering a Debian root needs root (debootstrap, chroot, mount)"; return; }
    [ -f "$forky_sources" ] && command -v apt-get >/dev/null 2>&1 ||
        { echo "no Debian archive is configured ($forky_sources)"; return; }
    if ! command -v debootstrap >/dev/null 2>&1; then
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap; } >&2 ||
            { echo "debootstrap is missing and apt-get could not install it"; return; }
    fi
    if [ ! -f "$forky_script" ]; then
        echo "debootstrap has no script for Debian's testing suite ($forky_script)"
    fi
}

# What apt installs into a root once debootstrap has made it: on this
# machine's architecture Chromium, which the site tests drive, and the
# aarch64 strip, which the aarch64 wheels built there are stripped with.
forky_extras() {
    [ "$1" = "$(dpkg --print-architecture)" ] && echo "chromium binutils-aarch64-linux-gnu" || true
}

# What a made root holds, as its .complete records it: a root made from an
# older list gets what the list has gained, where it stands.
forky_contents() {
    echo "$(forky_packages "$1") $(forky_extras "$1")"
}

# Prints the path of the forky root for a Debian architecture, making it once.
# A root that an interrupted run left half made is resumed where its last
# finished step says, or removed and made anew; it is never used as it stands.
forky_root() {
    local debian=${1:-$(dpkg --print-architecture)} why
    local root="$HOME/.cache/vexari/forky-$debian"
    if [ "$(cat "$root/.complete" 2>/dev/null)" = "$(forky_contents "$debian")" ]; then echo "$root"; return; fi
    why=$(forky_missing)
    if [ -n "$why" ]; then
        echo "dev: CPython ${FORKY_VERSIONS[0]} and ${FORKY_VERSIONS[1]} come from a Debian forky root, and $why." \
             "Install the interpreter yourself and set VEXARI_PYTHON to it, or run ./dev as root on Debian." >&2
        return 1
    fi
    mkdir -p "$HOME/.cache/vexari"
    exec 7>"$root.lock"
    flock 7
    if [ "$(cat "$root/.complete" 2>/dev/null)" != "$(forky_contents "$debian")" ]; then
        {
            local uri
            uri=$(awk '/^URIs:/ { print $2; exit }' "$forky_sources")
            if [ ! -f "$root/.bootstrapped" ]; then
                [ -e "$root" ] && echo "dev: removing the half-made root $root"
                rm -rf "$root"
                echo "dev: making a Debian forky root for $debian in $root (once per machine; log in $root.log)"
                [ "$debian" = "$(dpkg --print-architecture)" ] || binfmt_ready "$(forky_machine "$debian")"
                if ! debootstrap --arch="$debian" --variant=minbase --include="$(forky_packages "$debian")" \
                        forky "$root" "$uri" "$forky_script" >"$root.log" 2>&1; then
                    echo "dev: debootstrap of forky failed (is the archive at $uri reachable?); see $root.log"
                    return 1
                fi
                touch "$root/.bootstrapped"
            fi
            # (The testing suite's Release file may be past its date.)
            local packages
            packages="$(forky_packages "$debian" | tr , ' ') $(forky_extras "$debian")"
            echo "dev: installing into $root: $(forky_extras "$debian")"
            "$PWD/tools/in_forky.sh" "$root" "$PWD" sh -c \
                'apt-get -qq -o Acquire::Check-Valid-Until=false update &&
                 DEBIAN_FRONTEND=noninteractive apt-get -o Acquire::Check-Valid-Until=false \
                     install -y -qq --no-install-recommends $0' "$packages" >>"$root.log" 2>&1 ||
                { echo "dev: installing into $root failed; see $root.log"; return 1; }
            local version
            for version in "${FORKY_VERSIONS[@]}"; do
                "$PWD/tools/in_forky.sh" "$root" "$PWD" "python$version" -c \
                    'import sys; print("dev:", sys.version.split()[0], sys.implementation._multiarch)' ||
                    { echo "dev: python$version does not run in $root"; return 1; }
            done
            forky_contents "$debian" >"$root/.complete"
        } >&2 || return
    fi
    exec 7>&-
    echo "$root"
}

# The machine name of a Debian architecture (the reverse of debian_arch).
forky_machine() {
    case "$1" in
        amd64) echo x86_64 ;;
        arm64) echo aarch64 ;;
        *) echo "dev: no forky root for '$1'" >&2; return 2 ;;
    esac
}

# Runs ./dev COMMAND [ARGS] inside the forky root, on CPython VERSION.
forky_dev() {
    local version=$1 root
    shift
    root=$(forky_root) || exit 1
    echo "dev: running on python$version in the forky root $root" >&2
    exec "$PWD/tools/in_forky.sh" "$root" "$PWD" env VEXARI_IN_FORKY=1 VEXARI_PYTHON="/usr/bin/python$version" \
        ./dev "$@"
}
