"""Compares the artefacts of two package runs: digests first, then what inside differs.

    python tools/artifact_diff.py FIRST_DIST SECOND_DIST

Prints the SHA-256 digest of every file in either folder. For a wheel or an
sdist whose digests differ it names the members that differ and how (content,
order, time stamp, permissions, owner), and for the sdist its gzip header,
so that the cause of a difference can be found without unpacking anything.
Exits 1 on any difference, a file found in one folder only included.
"""

import gzip
import hashlib
import io
import sys
import tarfile
import zipfile
from collections import Counter
from pathlib import Path

# A difference in many members has one cause; the first few name it.
SHOWN = 12


def digest(data: bytes) -> str:
    return hashlib.sha256(data).hexdigest()


# An archive as its members in stored order, each a name and what else is stored with it.
Members = list[tuple[str, dict[str, object]]]


def zip_members(data: bytes) -> Members:
    with zipfile.ZipFile(io.BytesIO(data)) as archive:
        return [(info.filename, {"content": digest(archive.read(info)), "time": info.date_time,
                                 "mode": oct(info.external_attr >> 16), "compression": info.compress_type,
                                 "extra": info.extra.hex()})
                for info in archive.infolist()]


def tar_members(data: bytes) -> Members:
    # The gzip header holds a time stamp and may hold a file name of its own.
    members: Members = [("(gzip header)", {"bytes": data[:10].hex(), "name": gzip_name(data)})]
    with tarfile.open(fileobj=io.BytesIO(data), mode="r:gz") as archive:
        for info in archive:
            content = archive.extractfile(info).read() if info.isfile() else b""
            members.append((info.name, {"content": digest(content), "time": info.mtime, "mode": oct(info.mode),
                                        "owner": (info.uid, info.gid, info.uname, info.gname), "type": info.type,
                                        "link": info.linkname, "pax": info.pax_headers}))
    return members


def gzip_name(data: bytes) -> str:
    flags = data[3]
    if not flags & 0x08:
        return ""
    start = 10 + (2 + int.from_bytes(data[10:12], "little") if flags & 0x04 else 0)
    return data[start:data.index(b"\0", start)].decode("latin-1")


def member_differences(name: str, first: bytes, second: bytes) -> list[str]:
    """What differs between two archives of the same name, member by member; nothing for other files."""
    if name.endswith(".whl"):
        read = zip_members
    elif name.endswith(".tar.gz"):
        read = tar_members
    else:
        return []
    try:
        one, two = read(first), read(second)
    except (zipfile.BadZipFile, tarfile.TarError, gzip.BadGzipFile, EOFError) as error:
        return [f"not readable as an archive: {error}"]
    names_one, names_two = [name for name, _ in one], [name for name, _ in two]
    count_one, count_two = Counter(names_one), Counter(names_two)
    attributes_one, attributes_two = dict(one), dict(two)
    lines = []
    for name in dict.fromkeys(names_one + names_two):
        if count_one[name] != count_two[name]:
            lines.append(f"{name}: {count_one[name]} copies in the first, {count_two[name]} in the second")
        elif count_one[name] == 1:
            lines += [f"{name}: {key} {value} != {attributes_two[name][key]}"
                      for key, value in attributes_one[name].items() if value != attributes_two[name][key]]
    if not lines and names_one != names_two:
        lines.append("the members are the same but stored in another order")
    if not lines:
        lines.append("every member is the same: the archive's own framing differs")
    return lines


def compare(first: Path, second: Path) -> bool:
    names = sorted({path.name for folder in (first, second) for path in folder.iterdir() if path.is_file()})
    same = True
    for name in names:
        one, two = first / name, second / name
        if not (one.exists() and two.exists()):
            print(f"{'missing':64}  {name}: only in {first if one.exists() else second}")
            same = False
            continue
        data_one, data_two = one.read_bytes(), two.read_bytes()
        if data_one == data_two:
            print(f"{digest(data_one)}  {name}")
            continue
        same = False
        print(f"{digest(data_one)}  {name} (first)\n{digest(data_two)}  {name} (second): DIFFERS")
        lines = member_differences(name, data_one, data_two)
        for line in lines[:SHOWN]:
            print(f"    {line}")
        if len(lines) > SHOWN:
            print(f"    ... and {len(lines) - SHOWN} more")
    if not names:
        print(f"no artefacts in {first} or {second}")
        same = False
    return same


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(0 if compare(Path(sys.argv[1]), Path(sys.argv[2])) else 1)
