"""The documentation: every function's entry, generated from the stubs' docstrings, is complete; every
example in the docstrings and on the pages gives the output shown and type-checks strictly."""

import ast
import doctest
import importlib.util
import math
import re
import subprocess
import sys
from pathlib import Path

import pytest

import vexari
from conftest import foreign_environment

ROOT = Path(__file__).resolve().parent.parent
DOCS = ROOT / "docs"
sys.path.insert(0, str(DOCS / "hooks"))

import reference  # noqa: E402

STUB = reference.parse()
ENTRIES = STUB.entries
PAGES = {page.relative_to(DOCS).as_posix(): page.read_text() for page in sorted(DOCS.rglob("*.md"))}
GENERATED = reference.pages()
# (where, first line, doctest source): the docstrings' examples and the Python blocks of the pages and
# of the README's quickstart.
EXAMPLES = [(f"{name}()", 1, entry.examples) for name, entry in ENTRIES.items()] + [
    (page, text.count("\n", 0, match.start(1)) + 1, match.group(1))
    for page, text in {**PAGES, "README.md": (ROOT / "README.md").read_text()}.items()
    for match in re.finditer(r"^```python\n(.*?)^```", text, re.MULTILINE | re.DOTALL)]


def test_every_function_has_one_entry_in_the_order_of_all():
    assert list(ENTRIES) == vexari.__all__[1:]
    for name, entry in ENTRIES.items():
        # The stub's parameters and defaults are those the module reports.
        assert entry.plain_signature == name + getattr(vexari, name).__text_signature__.replace(" ", "").replace(
            ",", ", "), name


@pytest.mark.parametrize("name", ENTRIES)
def test_entry_is_complete(name):
    entry = ENTRIES[name]
    assert entry.summary and entry.returns and entry.examples, name
    assert all(text for _, _, _, text in entry.parameters), f"{name}: a parameter has no description"
    assert all(kind.endswith("Error") and text for kind, text in entry.raises), name
    page = GENERATED[f"reference/{reference.slug(entry.family)}.md"]
    section = page.split(f"## {name} {{ #{name} }}\n", 1)[1].split("\n## ", 1)[0]
    for part in ["**Parameters**", "**Returns**", "**Example**", f"{name}("]:
        assert part in section, f"{name}: {part}"
    for shape in reference.shapes_in(entry.result, STUB):
        assert f"Result keys of `{shape}`" in section and all(f'`"{key}"`' in section
                                                             for key, _, _ in STUB.shapes[shape][1])
    # Every error message the docstring quotes is on the page.
    for message in re.findall(r'"([a-z][^"]+)"', " ".join(text for _, text in entry.raises)):
        assert message in section, f"{name}: {message}"


def test_raised_messages_are_the_documented_ones():
    # Each documented ValueError text is one the module really raises: a sample call per message.
    calls = {"vector lengths must match": "dot([1.0], [])", "values must not be empty": "mean([])",
             "matrix is singular": "solve([[0.0]], [1.0])",
             "supported Householder orders are 2 and 3": "householder(math.sin, 1.0, order=4)",
             "x values must be strictly increasing": "linear_interpolate([1.0, 0.0], [0.0, 1.0], 0.5)",
             "window and values must be nonempty": "moving_average([], 1)"}
    for message, call in calls.items():
        assert any(message in text for entry in ENTRIES.values() for _, text in entry.raises), message
        with pytest.raises(ValueError, match=f"^{re.escape(message)}$"):
            eval(call, {**{n: getattr(vexari, n) for n in ENTRIES}, "math": math})


def test_each_family_has_one_name_everywhere():
    # The site's navigation has one section per family, in the stub's order and under the stub's name,
    # holding its guide and its API page; both pages' titles are that name.
    yaml = pytest.importorskip("yaml")
    nav = yaml.safe_load((ROOT / "mkdocs.yml").read_text())["nav"]
    [families] = [item["Families"] for item in nav if isinstance(item, dict) and "Families" in item]
    names = [reference.title(family) for family in STUB.families]
    assert [name for section in families for name in section] == names
    for section, family in zip(families, STUB.families):
        [(name, [guide, api])] = section.items()
        assert api == {"API": f"reference/{reference.slug(family)}.md"}, name
        assert PAGES[guide["Guide"]].startswith(f"# {name}\n"), guide
        assert GENERATED[api["API"]].startswith(f"# {name}\n"), api
    # No family page is listed a second time elsewhere, under another name.
    family_pages = {page for section in families for pages in section.values() for item in pages for page in item.values()}
    elsewhere = re.findall(r"[\w/-]+\.md", str([item for item in nav if not (isinstance(item, dict) and "Families" in item)]))
    assert family_pages.isdisjoint(elsewhere), family_pages & set(elsewhere)


def test_guides_and_home_link_every_family_reference():
    for family in STUB.families:
        target = f"reference/{reference.slug(family)}.md"
        assert target in GENERATED
        assert any(f"../{target}#" in text for page, text in PAGES.items() if page.startswith("guides/")), family


# Examples that import a data library, and those that import numba, are tests of their own, which a
# machine without those libraries leaves out by name.
NEEDS_DATA_LIBRARY = re.compile(r"^>>> import (pandas|polars|xarray|pyarrow)\b", re.MULTILINE)
NEEDS_NUMBA = re.compile(r"^>>> (?:import|from) numba\b", re.MULTILINE)


# Examples with compiled functions skip where their package has no wheel (numba and cffi on the
# free-threaded build).
NEEDS_PACKAGE = re.compile(r"^>>> (?:import|from) (numba|cffi|scipy)\b", re.MULTILINE)


def run_example(where, line, source):
    for package in NEEDS_PACKAGE.findall(source):
        pytest.importorskip(package)
    test = doctest.DocTestParser().get_doctest(source, {"vexari": vexari, "math": math}, where, where, line)
    runner, report = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE), []
    runner.run(test, out=report.append)
    assert runner.failures == 0, "".join(report)


def needs(source):
    """What an example needs that some machines lack: "data library", "numba" or None."""
    return "data library" if NEEDS_DATA_LIBRARY.search(source) else "numba" if NEEDS_NUMBA.search(source) else None


def examples(needing):
    chosen = [example for example in EXAMPLES if needs(example[2]) == needing]
    return pytest.mark.parametrize("where, line, source", chosen, ids=[f"{where}:{line}" for where, line, _ in chosen])


@examples(needing=None)
def test_example_output(where, line, source):
    run_example(where, line, source)


@examples(needing="data library")
def test_data_library_example_output(where, line, source):
    run_example(where, line, source)


@examples(needing="numba")
def test_numba_example_output(where, line, source):
    run_example(where, line, source)


# Third-party stubs that refuse correct code: types-cffi gives a library opened with ffi.dlopen no
# attributes, and scipy-stubs takes no CFUNCTYPE instance for a LowLevelCallable.
UNTYPABLE = re.compile(r"^>>> (?:import|from) (cffi|scipy)\b", re.MULTILINE)


def test_examples_type_check_strictly(tmp_path):
    for index, (where, line, source) in enumerate(EXAMPLES):
        if UNTYPABLE.search(source) or not all(map(importlib.util.find_spec, NEEDS_PACKAGE.findall(source))):
            continue
        code = "".join(example.source for example in doctest.DocTestParser().get_examples(source))
        file = tmp_path / f"example_{index:03}.py"
        file.write_text(f"# {where}, line {line}\nimport math\nimport vexari\n{code}")
    mypy = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / ".cache"),
                           *map(str, sorted(tmp_path.glob("*.py")))], capture_output=True, text=True, cwd=tmp_path,
                          env=foreign_environment())
    assert mypy.returncode == 0, mypy.stdout + mypy.stderr


def test_prose_escapes_markdown_but_keeps_code():
    assert reference.prose("``a*b`` and 2**k, x_1 | y") == r"`a*b` and 2\*\*k, x\_1 \| y"


def test_newton_animation_frames_all_differ(tmp_path):
    # Once the steps shrink below a pixel, the animation zooms in, so no two frames look alike.
    image = pytest.importorskip("PIL.Image")
    sys.path.insert(0, str(ROOT / "examples"))
    try:
        import newton_animation
    finally:
        sys.path.remove(str(ROOT / "examples"))
    with image.open(newton_animation.draw(tmp_path)) as gif:
        frames = []
        for index in range(gif.n_frames):
            gif.seek(index)
            frames.append(gif.convert("RGB").tobytes())
    assert len(frames) == len(vexari.newton_animation_data(newton_animation.cubic, 4.0)) > 4
    assert all(a != b for a, b in zip(frames, frames[1:]))
