"""A local Debian repository for a debootstrap the archive could not serve.

An archive mirror can list a point release's packages before it serves them
for every architecture (here: the s390x builds of a few trixie updates). Then
debootstrap stops, having fetched everything else. This script gathers what it
fetched, and, for each package it could not, the same version from the
security archive if that serves it, else the newest earlier version of it that
either archive serves (an earlier update of the same release, found by trying
the version numbers such updates take). It writes a repository of just those
packages, which debootstrap then installs from:

    stand_in_mirror.py ROOT LOG ARCH URI MIRROR

ROOT is the failed debootstrap's target (its debootstrap/deburis lists the
packages it fetched, into var/cache/apt/archives), LOG what it printed (a
warning names each package it could not fetch), URI the archive it used.
Each stand-in is printed, so that a run says which packages are not the ones
the release lists.
"""

import concurrent.futures
import hashlib
import lzma
import pathlib
import re
import shutil
import subprocess
import sys
import urllib.error
import urllib.request

SUITE = "trixie"
# Point-release and security updates of trixie end in +deb13uN or ~deb13uN.
UPDATE = re.compile(r"^(.*)([+~])deb13u(\d+)$")


def fields(stanza):
    return dict(re.findall(r"^(\S+): (.*)$", stanza, re.M))


def parse_index(text):
    """Package name -> list of (version, stanza) of a Packages index."""
    packages = {}
    for stanza in text.split("\n\n"):
        found = fields(stanza)
        if "Package" in found:
            packages.setdefault(found["Package"], []).append((found["Version"], stanza.strip()))
    return packages


def index(uri, suite, arch):
    """One suite's main index, from the archive."""
    with urllib.request.urlopen(f"{uri}/dists/{suite}/main/binary-{arch}/Packages.xz") as answer:
        return parse_index(lzma.decompress(answer.read()).decode())


def serves(url):
    request = urllib.request.Request(url, method="HEAD")
    try:
        with urllib.request.urlopen(request):
            return True
    except urllib.error.HTTPError:
        return False


def newer(a, b):
    return subprocess.run(["dpkg", "--compare-versions", a, "gt", b]).returncode == 0


def earlier_versions(version):
    """Versions an earlier update of the same release may have had, roughly
    newest first: the update counter stepped down, the release's own version
    (perhaps rebuilt, +bN), and the last component of the upstream version
    stepped down (a security update may move to a new upstream release)."""
    epoch, _, rest = version.rpartition(":")
    epoch = epoch + ":" if epoch else ""
    update = UPDATE.match(rest)
    base, counter = (update.group(1), int(update.group(3))) if update else (rest, 0)
    guesses = [f"{base}{mark}deb13u{n}" for n in range(counter - 1, 0, -1) for mark in "+~"]
    guesses += [base] + [f"{base}+b{n}" for n in range(1, 4)]
    upstream, dash, revision = base.rpartition("-") if "-" in base else (base, "", "")
    numbers = re.match(r"^(.*?)(\d+)([^\d]*)$", upstream)
    if numbers:
        head, last, tail = numbers.group(1), int(numbers.group(2)), numbers.group(3)
        for lower in range(last - 1, max(last - 6, -1), -1):
            for suffix in ["+deb13u2", "~deb13u2", "+deb13u1", "~deb13u1", ""]:
                guesses.append(f"{head}{lower}{tail}{dash}{revision}{suffix}")
    # The pool is shared by every suite: a later release's version of the
    # same upstream (2.9.0-1 beside 2.9.0-1~deb13u1) sorts after the listed
    # one and is not taken.
    return [epoch + guess for guess in dict.fromkeys(guesses) if newer(version, epoch + guess)]


def file_arch(url):
    # "all" or the architecture, from the archive's file name.
    return url.rsplit("_", 1)[1].removesuffix(".deb")


def deb_name(package, version, arch):
    # As the archive names a package file (without the epoch).
    return f"{package}_{version.rpartition(':')[2]}_{arch}.deb"


def fetched_name(package, version, arch):
    # As debootstrap saves one (the epoch kept, its colon escaped).
    return f"{package}_{version.replace(':', '%3a')}_{arch}.deb"


def stand_in(package, version, url, security):
    """(url, version) of the newest earlier or equal version either archive
    serves, or None."""
    arch, folder = file_arch(url), url.rsplit("/", 1)[0]
    security_root = url.split("/pool/", 1)[0].rsplit("/", 1)[0] + "/debian-security"
    served = [(listed, f"{security_root}/{fields(stanza)['Filename']}")
              for listed, stanza in security.get(package, []) if not newer(listed, version)]
    served = [(listed, where) for listed, where in served if serves(where)]
    # The guesses run roughly newest first: the first batch that finds one ends the search.
    guesses = earlier_versions(version)
    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        for start in range(0, len(guesses), 8):
            batch = [(guess, f"{folder}/{deb_name(package, guess, arch)}") for guess in guesses[start:start + 8]]
            hits = [entry for entry, ok in zip(batch, pool.map(lambda entry: serves(entry[1]), batch)) if ok]
            if hits:
                served += hits
                break
    best = None
    for listed, where in served:
        if best is None or newer(listed, best[1]):
            best = (where, listed)
    return best


def control_stanza(deb, filename):
    """The index entry of a package file, as the archive writes it."""
    control = subprocess.run(["dpkg-deb", "-f", deb], capture_output=True, text=True, check=True).stdout
    data = deb.read_bytes()
    return (control.rstrip("\n") + f"\nFilename: {filename}\nSize: {len(data)}"
            f"\nMD5sum: {hashlib.md5(data).hexdigest()}\nSHA256: {hashlib.sha256(data).hexdigest()}")


def main(root, log, arch, uri, mirror):
    root, mirror, uri = pathlib.Path(root), pathlib.Path(mirror), uri.rstrip("/")
    fetched = root / "var/cache/apt/archives"
    chosen = [line.split() for line in (root / "debootstrap/deburis").read_text().splitlines() if line]
    missing = {package: (version, url) for package, version, _, url in
               re.findall(r"Couldn't download package (\S+) \(ver (\S+) arch (\S+)\) at (\S+)",
                          pathlib.Path(log).read_text())}
    chosen += [[package, version, url] for package, (version, url) in missing.items()]
    security = index(uri.rsplit("/", 1)[0] + "/debian-security", f"{SUITE}-security", arch) if missing else {}
    found = {package: stand_in(package, version, url, security) for package, (version, url) in missing.items()}
    unserved = [package for package, answer in found.items() if answer is None]
    if unserved:
        sys.exit(f"stand_in_mirror: no version of {' '.join(unserved)} is served for {arch}")
    # The index debootstrap chose from, as it saved it: the archive's may have moved on since.
    saved, = (root / "var/lib/apt/lists").glob(f"*_dists_{SUITE}_main_binary-{arch}_Packages")
    listed = parse_index(saved.read_text())
    shutil.rmtree(mirror, ignore_errors=True)
    pool_folder = mirror / "pool/main"
    pool_folder.mkdir(parents=True)
    stanzas = []
    for package, version, url in chosen:
        if package in found:
            where, stand_in_version = found[package]
            name = deb_name(package, stand_in_version, file_arch(url))
            with urllib.request.urlopen(where) as answer:
                (pool_folder / name).write_bytes(answer.read())
            archive = "security archive" if "/debian-security/" in where else "archive"
            if stand_in_version == version:
                print(f"stand_in_mirror: {package} {version}, the listed version, from the {archive}")
            else:
                print(f"stand_in_mirror: {package} {stand_in_version} ({archive}) instead of the listed {version}")
            stanzas.append(control_stanza(pool_folder / name, f"pool/main/{name}"))
        else:
            name = deb_name(package, version, file_arch(url))
            shutil.copyfile(fetched / fetched_name(package, version, file_arch(url)), pool_folder / name)
            # The archive's own entry, with the path of the copy.
            stanza = next(stanza for listed_version, stanza in listed[package] if listed_version == version)
            stanzas.append(re.sub(r"^Filename: .*$", f"Filename: pool/main/{name}", stanza, flags=re.M))
    write_repository(mirror, arch, stanzas)


def write_repository(mirror, arch, stanzas):
    """The index of a one-component repository and its (unsigned) Release."""
    # Every stanza ends in an empty line, the last too: debootstrap ends an entry there.
    packages = "".join(stanza + "\n\n" for stanza in stanzas)
    folder = mirror / f"dists/{SUITE}/main/binary-{arch}"
    folder.mkdir(parents=True)
    (folder / "Packages").write_text(packages)
    digest = hashlib.sha256(packages.encode()).hexdigest()
    (mirror / f"dists/{SUITE}/Release").write_text(
        f"Suite: stable\nCodename: {SUITE}\nArchitectures: {arch}\nComponents: main\nSHA256:\n"
        f" {digest} {len(packages.encode())} main/binary-{arch}/Packages\n")


if __name__ == "__main__":
    main(*sys.argv[1:])
