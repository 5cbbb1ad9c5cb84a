"""The sdist holds what building and testing need, with its licence, its metadata agrees with CMake,
and its bytes depend on the sources and SOURCE_DATE_EPOCH alone."""

import gzip
import hashlib
import io
import os
import re
import shlex
import shutil
import subprocess
import sys
import tarfile
import tomllib
import warnings
import zipfile
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools"))
import artifact_diff  # noqa: E402
import stand_in_mirror  # noqa: E402

EPOCH = 1700000000


def build_sdist(source: Path, folder: Path) -> Path:
    build = subprocess.run(
        [sys.executable, "-c", "import sys; from scikit_build_core.build import build_sdist; print(build_sdist(sys.argv[1]))",
         str(folder)], cwd=source, capture_output=True, text=True, env={**os.environ, "SOURCE_DATE_EPOCH": str(EPOCH)})
    assert build.returncode == 0, build.stderr
    return folder / build.stdout.split()[-1]


@pytest.fixture(scope="module")
def sdist(tmp_path_factory):
    return build_sdist(ROOT, tmp_path_factory.mktemp("sdist"))


def test_sdist_contents_and_metadata(sdist):
    with tarfile.open(sdist) as archive:
        top = archive.getnames()[0].split("/")[0]
        names = {name.split("/", 1)[1] for name in archive.getnames() if "/" in name}
        metadata = archive.extractfile(f"{top}/PKG-INFO").read().decode()
    assert {"LICENSE", "CMakeLists.txt", "pyproject.toml", "tests/conftest.py", "src/module.cpp"} <= names
    assert not [name for name in names if name.startswith(("bench/", ".ci/", "tools/", "build/", ".venv", "dist/"))]
    assert "License-Expression: MIT" in metadata.splitlines()
    # The oldest Python the build accepts is the one CMake looks for.
    [requires] = re.findall(r"^Requires-Python: >=(\d+\.\d+)$", metadata, re.MULTILINE)
    [cmake] = re.findall(r"find_package\(Python (\d+\.\d+) COMPONENTS", (ROOT / "CMakeLists.txt").read_text())
    assert requires == cmake


def test_wheel_test_commands_name_tests_that_exist():
    """The cibuildwheel section leaves tests out by path and by name; a renamed test must not slip back in."""
    config = tomllib.loads((ROOT / "pyproject.toml").read_text())["tool"]["cibuildwheel"]
    names = set(re.findall(r"^def (test_\w+)", "".join(p.read_text() for p in (ROOT / "tests").glob("test_*.py")),
                           re.MULTILINE))
    assert all((ROOT / path).exists() for path in config["test-sources"])
    commands = [config["test-command"], *(config[platform]["test-command"] for platform in ("macos", "windows"))]
    for words in [shlex.split(config["test-environment"]["PYTEST_ADDOPTS"]), *map(shlex.split, commands)]:
        ignored = [word.removeprefix("--ignore=") for word in words if word.startswith("--ignore=")]
        assert all((ROOT / path).exists() for path in ignored), ignored
        for expression in (words[i + 1] for i, word in enumerate(words) if word == "-k"):
            for term in re.findall(r"not (\w+)", expression):
                assert any(term in name for name in names), f"-k leaves out {term!r}, which names no test"


def test_sdist_depends_on_sources_and_date_alone(sdist, tmp_path):
    """Rebuilt from its own files unpacked at another path, with new time stamps and wider permissions, the
    sdist comes out byte for byte the same: nothing of the machine or the moment reaches it but the date given."""
    with tarfile.open(sdist) as archive:
        assert {member.mtime for member in archive} == {EPOCH}
        archive.extractall(tmp_path / "unpacked", filter="data")
    [tree] = (tmp_path / "unpacked").iterdir()
    (tree / "PKG-INFO").unlink()  # the build writes its own, and would store this one beside it
    for path in tree.rglob("*"):
        os.utime(path)
        path.chmod(path.stat().st_mode | 0o020)
    assert build_sdist(tree, tmp_path / "again").read_bytes() == sdist.read_bytes()


def zip_bytes(members):
    buffer = io.BytesIO()
    # A name stored twice is one of the cases.
    with zipfile.ZipFile(buffer, "w") as archive, warnings.catch_warnings(action="ignore", category=UserWarning):
        for name, content, date, mode in members:
            info = zipfile.ZipInfo(name, date)
            info.external_attr = mode << 16
            archive.writestr(info, content)
    return buffer.getvalue()


def tar_gz_bytes(members, header_time=EPOCH):
    buffer = io.BytesIO()
    with gzip.GzipFile(fileobj=buffer, mode="wb", mtime=header_time) as packed, \
            tarfile.open(fileobj=packed, mode="w") as archive:
        for name, content, date, mode in members:
            info = tarfile.TarInfo(name)
            info.size, info.mtime, info.mode = len(content), date, mode
            archive.addfile(info, io.BytesIO(content))
    return buffer.getvalue()


WHEEL = [("m.so", b"code", (2023, 11, 14, 22, 13, 20), 0o644), ("m/", b"", (2023, 11, 14, 22, 13, 20), 0o755)]
SDIST = [("p/PKG-INFO", b"meta", EPOCH, 0o644), ("p/src.cpp", b"code", EPOCH, 0o644)]


@pytest.mark.parametrize("name, first, second, named", [
    ("a.whl", zip_bytes(WHEEL), zip_bytes(WHEEL), None),
    ("a.whl", zip_bytes(WHEEL), zip_bytes([("m.so", b"c0de", *WHEEL[0][2:]), WHEEL[1]]), "m.so: content"),
    ("a.whl", zip_bytes(WHEEL), zip_bytes([("m.so", b"code", (2024, 1, 1, 0, 0, 0), 0o644), WHEEL[1]]), "m.so: time"),
    ("a.whl", zip_bytes(WHEEL), zip_bytes([WHEEL[0], ("m/", b"", WHEEL[1][2], 0o700)]), "m/: mode"),
    ("a.whl", zip_bytes(WHEEL), zip_bytes(WHEEL[::-1]), "another order"),
    ("a.whl", zip_bytes(WHEEL), zip_bytes(WHEEL + WHEEL[:1]), "m.so: 1 copies in the first, 2 in the second"),
    ("a.whl", zip_bytes(WHEEL), None, "only in"),
    ("a.tar.gz", tar_gz_bytes(SDIST), tar_gz_bytes([SDIST[0], ("p/src.cpp", b"code", EPOCH + 1, 0o644)]),
     "p/src.cpp: time"),
    ("a.tar.gz", tar_gz_bytes(SDIST), tar_gz_bytes([SDIST[0], ("p/src.cpp", b"code", EPOCH, 0o664)]),
     "p/src.cpp: mode"),
    ("a.tar.gz", tar_gz_bytes(SDIST), tar_gz_bytes(SDIST[:1]), "p/src.cpp: 1 copies in the first, 0 in the second"),
    ("a.tar.gz", tar_gz_bytes(SDIST), tar_gz_bytes(SDIST, header_time=EPOCH + 1), "(gzip header): bytes"),
])
def test_artifact_diff_names_what_differs(tmp_path, capsys, name, first, second, named):
    """./dev reproduce's comparison: equal digests pass; otherwise it fails and names the member and what differs."""
    for folder, data in (("one", first), ("two", second)):
        (tmp_path / folder).mkdir()
        if data is not None:
            (tmp_path / folder / name).write_bytes(data)
    assert artifact_diff.compare(tmp_path / "one", tmp_path / "two") == (named is None)
    assert named is None or named in capsys.readouterr().out


@pytest.mark.skipif(shutil.which("dpkg") is None, reason="needs dpkg, which only a Debian machine has")
@pytest.mark.parametrize("listed, earlier", [
    ("2.41-12+deb13u5", "2.41-12+deb13u4"),                                # the update before
    ("1:1.3.dfsg+really1.3.1-1+deb13u1", "1:1.3.dfsg+really1.3.1-1+b1"),  # the release's rebuild, epoch kept
    ("3.5.9-1~deb13u1", "3.5.7-1~deb13u2"),                                # an earlier upstream update
    ("3.0.4", "3.0.3"),                                                    # a native version
])
def test_stand_in_versions_are_earlier_updates_of_the_release(listed, earlier):
    """The versions tried in place of one the archive does not serve: those seen standing in on s390x are
    among them, and none sorts after the listed one (the pool also holds later releases' versions)."""
    guesses = stand_in_mirror.earlier_versions(listed)
    assert earlier in guesses
    assert not [guess for guess in guesses if not stand_in_mirror.newer(listed, guess)]
    assert "2.9.0-1" not in stand_in_mirror.earlier_versions("2.9.0-1~deb13u1")


def test_stand_in_repository_ends_every_entry_as_debootstrap_reads_it(tmp_path):
    """debootstrap takes an entry only at the empty line after it: the last entry must have one too, and
    the Release names the index's digest."""
    stanzas = [f"Package: p{n}\nVersion: 1\nDescription: one\n two" for n in range(3)]
    stand_in_mirror.write_repository(tmp_path, "s390x", stanzas)
    index = tmp_path / "dists/trixie/main/binary-s390x/Packages"
    ended = re.findall(r"^Package: (\S+)\n(?:.+\n)*\n", index.read_text(), re.M)
    assert ended == ["p0", "p1", "p2"]
    release = (tmp_path / "dists/trixie/Release").read_text()
    assert f" {hashlib.sha256(index.read_bytes()).hexdigest()} {index.stat().st_size} main/binary-s390x/Packages" in release
