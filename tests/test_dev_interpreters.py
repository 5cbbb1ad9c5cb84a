"""./dev on each supported CPython: versions it refuses, and what it says where an interpreter cannot be
provided. The forky root's steps run against stand-ins of the system's commands put first on PATH."""

import os
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
SUPPORTED = "3.13 3.13t 3.14 3.15"


def dev(*arguments):
    return subprocess.run([str(ROOT / "dev"), *arguments], capture_output=True, text=True, timeout=60)


@pytest.mark.parametrize("arguments, message", [
    (["test", "--python", "3.12"], f"dev: CPython '3.12' is not supported; the versions are {SUPPORTED}"),
    (["build", "--python=3.14t"], f"dev: CPython '3.14t' is not supported; the versions are {SUPPORTED}"),
    (["test", "--python"], f"dev: --python needs a version: {SUPPORTED}"),
    (["tsan", "--python", "3.14"], "dev: 'tsan' does not take --python; build, test, demo, bench and package do"),
])
def test_unsupported_requests_are_refused_before_any_set_up(arguments, message):
    run = dev(*arguments)
    assert (run.returncode, run.stderr.strip()) == (2, message)


def stand_in(folder: Path, name: str, script: str):
    path = folder / name
    path.write_text(f"#!/bin/sh\n{script}\n")
    path.chmod(0o755)


@pytest.fixture
def machine(tmp_path):
    """A home of its own, a bin folder first on PATH, and the archive's sources file and debootstrap's script."""
    (tmp_path / "bin").mkdir()
    (tmp_path / "home").mkdir()
    sources = tmp_path / "debian.sources"
    sources.write_text("Types: deb\nURIs: http://archive.invalid/debian\n")
    script = tmp_path / "sid"
    script.write_text("")
    stand_in(tmp_path / "bin", "id", 'echo 0')
    return tmp_path


def forky_root(machine: Path, settings: str = ""):
    """forky_root amd64 as ./dev runs it, with the machine's files replaced by the fixture's."""
    command = (f"set -euo pipefail; source tools/emulation.sh; source tools/forky.sh; "
               f"forky_sources={machine / 'debian.sources'}; forky_script={machine / 'sid'}; {settings}"
               f"forky_root amd64")
    environment = {**os.environ, "HOME": str(machine / "home"), "PATH": f"{machine / 'bin'}:{os.environ['PATH']}"}
    return subprocess.run(["bash", "-c", command], cwd=ROOT, capture_output=True, text=True, env=environment,
                          timeout=60)


def test_a_half_made_root_is_removed_not_used(machine):
    root = machine / "home/.cache/vexari/forky-amd64"
    (root / "usr/bin").mkdir(parents=True)
    (root / "usr/bin/python3.14").write_text("left by an interrupted run")
    stand_in(machine / "bin", "debootstrap", 'echo "E: Couldn\'t download packages"; exit 1')
    run = forky_root(machine)
    assert run.returncode == 1
    assert f"dev: removing the half-made root {root}" in run.stderr
    assert "debootstrap of forky failed (is the archive at http://archive.invalid/debian reachable?)" in run.stderr
    assert not root.exists()
    # Nothing marks it made, so the next run starts afresh rather than trusting it.
    assert forky_root(machine).returncode == 1


def test_a_made_root_is_used_as_it_stands(machine):
    root = machine / "home/.cache/vexari/forky-amd64"
    root.mkdir(parents=True)
    (root / ".complete").write_text(subprocess.run(
        ["bash", "-c", "source tools/forky.sh; forky_contents amd64"], cwd=ROOT, capture_output=True, text=True).stdout)
    stand_in(machine / "bin", "debootstrap", "exit 1")
    run = forky_root(machine)
    assert (run.returncode, run.stdout.strip(), run.stderr) == (0, str(root), "")


@pytest.mark.parametrize("prepare, settings, why", [
    (lambda m: stand_in(m / "bin", "id", "echo 1000"), "",
     "making and entering a Debian root needs root (debootstrap, chroot, mount)"),
    (lambda m: None, "forky_sources=/nonexistent; ",
     "no Debian archive is configured (/nonexistent)"),
    # (Debian keeps debootstrap in /usr/sbin, out of this PATH.)
    (lambda m: stand_in(m / "bin", "apt-get", "exit 100"), "PATH=$HOME/../bin:/usr/bin:/bin; ",
     "debootstrap is missing and apt-get could not install it"),
    (lambda m: (stand_in(m / "bin", "debootstrap", "exit 1"), (m / "sid").unlink()), "",
     "debootstrap has no script for Debian's testing suite"),
])
def test_what_is_missing_is_said_with_the_way_out(machine, prepare, settings, why):
    prepare(machine)
    run = forky_root(machine, settings)
    assert run.returncode == 1
    assert f"dev: CPython 3.14 and 3.15 come from a Debian forky root, and {why}" in run.stderr
    assert "set VEXARI_PYTHON to it" in run.stderr
    assert not (machine / "home/.cache/vexari/forky-amd64").exists()


DEBIAN_ARCH = {"aarch64": "arm64", "s390x": "s390x"}


def cross_python(machine: Path, arch: str):
    """cross_python ARCH as ./dev runs it, with qemu's registration left out and debootstrap failing."""
    stand_in(machine / "bin", "debootstrap", "exit 1")
    command = (f"set -euo pipefail; source tools/emulation.sh; emulation_ready() {{ :; }}; "
               f"cross_sources={machine / 'debian.sources'}; cross_python {arch}")
    environment = {**os.environ, "HOME": str(machine / "home"), "PATH": f"{machine / 'bin'}:{os.environ['PATH']}"}
    return subprocess.run(["bash", "-c", command], cwd=ROOT, capture_output=True, text=True, env=environment,
                          timeout=60)


@pytest.mark.parametrize("arch, record, made_anew", [
    # An empty record is a root's from before roots recorded their packages: it holds the common list,
    # which is aarch64's, and lacks s390x's SciPy and cffi.
    ("aarch64", "", False), ("s390x", "", True), ("s390x", "s390x", False), ("aarch64", "s390x", True),
])
def test_an_emulated_root_made_from_another_package_list_is_made_anew(machine, arch, record, made_anew):
    root = machine / f"home/.cache/vexari/trixie-{DEBIAN_ARCH[arch]}"
    root.mkdir(parents=True)
    (root / ".bootstrapped").write_text("")
    (root / ".complete").write_text(record and subprocess.run(
        ["bash", "-c", f"source tools/emulation.sh; cross_root_packages {record}"], cwd=ROOT, capture_output=True,
        text=True).stdout)
    run = cross_python(machine, arch)
    if made_anew:
        assert run.returncode == 1 and "dev: debootstrap failed" in run.stderr
        assert f"dev: the root {root} was made with other packages than" in run.stderr
    else:
        assert (run.returncode, run.stdout.strip(), run.stderr) == (0, str(root / "usr/bin/python3.13"), "")
