"""The front page and the documents around it tell one story: the generated parts (the family list, the
platform tables) are what their sources give, SECURITY.md and CHANGELOG.md name the platforms the README's
table names, the README stays short and its links resolve, ./dev lists every command, and the demo's
requirements stay small."""

import re
import subprocess
import sys
from importlib import metadata
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools"))

import generated_sections  # noqa: E402

README = (ROOT / "README.md").read_text()
LINK = re.compile(r"\]\(([^)\s]+)\)")


def test_generated_parts_are_current():
    assert generated_sections.stale() == [], "stale: run python tools/generated_sections.py --write"


def test_readme_is_a_front_page():
    assert len(README.splitlines()) <= 150
    assert [line for line in README.splitlines() if line.startswith("## ")] == [
        "## Install", "## Quickstart", "## Two commands", "## What sets vexari apart", "## Functions",
        "## Documentation", "## Contributing"]


def wheel_platforms_of_the_readme() -> set[tuple[str, str]]:
    """(wheel tag, platform) for every cell of the README's table that offers a wheel."""
    rows = [line.strip("|").split(" | ") for line in generated_sections.current(README, "platform table").splitlines()
            if line.startswith("| ")]
    header, *body = [[cell.strip() for cell in row] for row in rows]
    return {(re.search(r"`(\w+)`", row[0]).group(1), platform) for row in body
            for platform, cell in zip(header[1:], row[1:]) if cell.startswith("wheel")}


def test_security_supports_the_wheels_of_the_readme_table():
    listed = generated_sections.current((ROOT / "SECURITY.md").read_text(), "supported platforms")
    supported = {(tag, platform.strip()) for tag, platforms in re.findall(r"^- the `(\w+)` wheels \(.*?\) for (.*);$",
                                                                          listed, re.MULTILINE)
                 for platform in platforms.split(" and ")}
    assert supported and supported == wheel_platforms_of_the_readme()


def test_changelog_names_the_wheels_as_built_or_configured_as_the_table_does():
    # Each sentence of the changelog that speaks of wheels and names a platform says what the table says.
    sentences = re.split(r"(?<=\.)\s+|\n- ", " ".join((ROOT / "CHANGELOG.md").read_text().split("\n  ")))
    about_wheels = [sentence for sentence in sentences if "wheel" in sentence.lower()]
    built = {platform for _, platform in wheel_platforms_of_the_readme()}
    for platform in generated_sections.platforms()["platforms"]:
        # Linux platforms go by their architecture; the others by the system's name.
        word = platform.split()[1] if platform.startswith("Linux ") else platform.split()[0].rstrip(",")
        naming = [sentence for sentence in about_wheels if word in sentence]
        unbuilt = [sentence for sentence in naming if re.search(r"configured|not (yet )?built", sentence)]
        if platform in built:
            assert naming and not unbuilt, (platform, unbuilt)
        else:
            assert naming == unbuilt, (platform, naming)


def headings(markdown: str) -> set[str]:
    """The anchors a page's headings get: an explicit { #id }, or the id MkDocs' table of contents makes."""
    toc = pytest.importorskip("markdown.extensions.toc")
    found = set()
    for title in re.findall(r"^#{1,6} (.+)$", markdown, re.MULTILINE):
        explicit = re.search(r"\{ *#([\w-]+) *\}\s*$", title)
        found.add(explicit.group(1) if explicit else toc.slugify(title, "-"))
    return found


def nav_pages() -> set[str]:
    yaml = pytest.importorskip("yaml")

    def walk(item):
        if isinstance(item, str):
            yield item
        elif isinstance(item, dict):
            for value in item.values():
                yield from walk(value)
        elif isinstance(item, list):
            for value in item:
                yield from walk(value)

    return set(walk(yaml.safe_load((ROOT / "mkdocs.yml").read_text())["nav"]))


def test_readme_links_resolve_to_files_and_site_pages():
    links = [link for link in LINK.findall(README) if "://" not in link]
    pages = nav_pages()
    assert len([link for link in links if link.startswith("docs/")]) >= 10
    for link in links:
        path, _, anchor = link.partition("#")
        assert (ROOT / path).exists(), link
        if path.startswith("docs/") and path.endswith(".md"):
            assert path.removeprefix("docs/") in pages, f"{link}: not a page of the site's navigation"
            assert not anchor or anchor in headings((ROOT / path).read_text()), f"{link}: no such heading"


def dev_commands() -> list[str]:
    """The commands of ./dev's dispatch, as its case labels name them."""
    dispatch = (ROOT / "dev").read_text().split('case "$command" in', 1)[1].split("\nesac", 1)[0]
    return [label for labels in re.findall(r"^    ([\w|\"-]+)\)", dispatch, re.MULTILINE)
            for label in labels.split("|") if label not in ('""', "*")]


def test_dev_help_lists_every_command_once_in_three_groups():
    shown = subprocess.run(["bash", str(ROOT / "dev"), "help"], capture_output=True, text=True, timeout=60)
    alone = subprocess.run(["bash", str(ROOT / "dev")], capture_output=True, text=True, timeout=60)
    unknown = subprocess.run(["bash", str(ROOT / "dev"), "nonsense"], capture_output=True, text=True, timeout=60)
    assert shown.returncode == alone.returncode == 0 and shown.stdout == alone.stdout
    assert unknown.returncode == 2 and "unknown command 'nonsense'" in unknown.stderr
    groups = re.split(r"^(Everyday|Release|Deep checks|Option)$", shown.stdout, flags=re.MULTILINE)
    assert groups[1::2] == ["Everyday", "Release", "Deep checks", "Option"]
    listed = []
    for body in groups[2:8:2]:
        for line in body.strip("\n").splitlines():
            name, _, description = line.strip().partition(" ")
            if not line.startswith(" " * 20):  # a description continued under a long signature
                listed.append(name)
            assert line.startswith("  ") and description.strip(), line
    # (Names with a leading underscore are steps that package runs inside a Debian root, not commands.)
    commands = [name for name in dev_commands() if not name.startswith(("-", "_"))]
    assert sorted(listed) == sorted(commands) and len(set(listed)) == len(listed)
    assert "--python V" in groups[8] and all(version in groups[8] for version in ("3.13,", "3.13t", "3.14", "3.15"))


def requirements(path: Path) -> list[str]:
    found = []
    for line in path.read_text().splitlines():
        line = line.split("#")[0].strip()
        if line.startswith("-r "):
            found += requirements(path.parent / line[3:].strip())
        elif line:
            found.append(line)
    return found


def installed_with(lines: list[str]) -> set[str]:
    """The distributions that installing these requirements brings, their dependencies included, as this
    environment has them."""
    packaging = pytest.importorskip("packaging.requirements")
    todo = [packaging.Requirement(line) for line in lines]
    seen: dict[str, set[str]] = {}
    while todo:
        wanted = todo.pop()
        name = re.sub(r"[-_.]+", "-", wanted.name).lower()
        if name in seen and set(wanted.extras) <= seen[name]:
            continue
        seen[name] = seen.get(name, set()) | set(wanted.extras)
        try:
            distribution = metadata.distribution(wanted.name)
        except metadata.PackageNotFoundError:
            pytest.skip(f"{wanted.name} is not installed here: the count needs ./dev test's environment")
        for text in distribution.requires or []:
            needed = packaging.Requirement(text)
            if needed.marker is None or any(needed.marker.evaluate({"extra": extra}) for extra in seen[name] | {""}):
                todo.append(needed)
    return set(seen)


def test_the_demo_installs_little_and_the_readme_says_how_much_each_command_installs():
    demo = installed_with(requirements(ROOT / "requirements-demo.txt"))
    test = installed_with(requirements(ROOT / "requirements-dev.txt")) - demo
    assert len(demo) < 20, sorted(demo)
    stated = [int(n) for n in re.findall(r"about (\d+) packages", README)]
    # The README gives round figures: each within a fifth of the count.
    assert len(stated) == 2 and all(abs(n - len(found)) <= len(found) / 5 for n, found in zip(stated, (demo, test))), \
        (stated, len(demo), len(test))
