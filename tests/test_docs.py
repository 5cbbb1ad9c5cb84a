"""The reference in docs/: it covers every function and result shape with the
stub's signatures, its examples type-check strictly and give the output shown."""

import ast
import doctest
import math
import re
import subprocess
import sys
from pathlib import Path

import pytest

import vexari

ROOT = Path(__file__).resolve().parent.parent
DOCS = ROOT / "docs"
STUB_SOURCE = (ROOT / "vexari-stubs" / "__init__.pyi").read_text()
STUB_TREE = ast.parse(STUB_SOURCE)
PAGES = sorted(DOCS.glob("*.md"))
FENCE = re.compile(r"^```python\n(.*?)^```", re.MULTILINE | re.DOTALL)


def stub_signature(function):
    """`name(a, b=default)` with the defaults written as in the stub."""
    arguments = function.args
    defaults = [None] * (len(arguments.args) - len(arguments.defaults)) + list(arguments.defaults)
    parts = [
        argument.arg if default is None else f"{argument.arg}={ast.get_source_segment(STUB_SOURCE, default)}"
        for argument, default in zip(arguments.args, defaults)
    ]
    return f"{function.name}({', '.join(parts)})"


SIGNATURES = {node.name: stub_signature(node) for node in STUB_TREE.body if isinstance(node, ast.FunctionDef)}
SHAPES = [
    node.name
    for node in STUB_TREE.body
    if isinstance(node, ast.ClassDef) and any(getattr(b, "id", None) == "TypedDict" for b in node.bases)
]


def blocks():
    """Every python example of the docs as (page, line, source)."""
    found = []
    for page in PAGES:
        text = page.read_text()
        for match in FENCE.finditer(text):
            found.append((page, text.count("\n", 0, match.start(1)) + 1, match.group(1)))
    return found


BLOCKS = blocks()
BLOCK_IDS = [f"{page.name}:{line}" for page, line, _ in BLOCKS]


def test_every_function_has_an_entry_with_its_signature():
    headings = [
        line[len("## `") : -1] for page in PAGES for line in page.read_text().splitlines() if line.startswith("## `")
    ]
    entries = [h for h in headings if "(" in h]
    assert sorted(entries) == sorted(SIGNATURES.values())
    # The text the module itself reports, for the functions built so far.
    for name, signature in SIGNATURES.items():
        if hasattr(vexari, name):
            assert signature == name + getattr(vexari, name).__text_signature__


def test_every_result_shape_is_described():
    text = "\n".join(page.read_text() for page in PAGES)
    for shape in SHAPES:
        assert f"`{shape}`" in text, shape
    index = (DOCS / "README.md").read_text()
    for shape in SHAPES:
        assert f"| `{shape}` |" in index, f"{shape} is missing from the index of result dicts"


def test_index_lists_every_function_on_its_page_and_in_the_family_table():
    index = (DOCS / "README.md").read_text()
    listed = {}
    for page_name, names in re.findall(r"^\| [^|]+ \| \[[\w.]+\]\(([\w.]+)\) \| (.+) \|$", index, re.MULTILINE):
        for name in re.findall(r"`(\w+)`", names):
            listed[name] = page_name
    assert sorted(listed) == sorted(SIGNATURES)
    for name, page_name in listed.items():
        assert f"## `{SIGNATURES[name]}`" in (DOCS / page_name).read_text(), f"{name} is not on {page_name}"
        assert f"| `{SIGNATURES[name]}` |" in index, f"{name} is missing from the functions by family"
    assert set(listed.values()) == {page.name for page in PAGES if page.name != "README.md"}


@pytest.mark.parametrize(("page", "line", "source"), BLOCKS, ids=BLOCK_IDS)
def test_example_output(page, line, source):
    missing = sorted({name for name in re.findall(r"vexari\.(\w+)", source) if not hasattr(vexari, name)})
    if missing:
        pytest.skip(f"not built yet: {', '.join(missing)}")
    test = doctest.DocTestParser().get_doctest(source, {"vexari": vexari, "math": math}, page.name, str(page), line)
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
    report = []
    runner.run(test, out=report.append)
    assert runner.failures == 0, "".join(report)


def test_examples_type_check_strictly(tmp_path):
    files = []
    for page, line, source in BLOCKS:
        code = "".join(example.source for example in doctest.DocTestParser().get_examples(source))
        file = tmp_path / f"{page.stem}_{line}.py"
        file.write_text(f"# {page.name}, line {line}\nimport math\nimport vexari\n{code}")
        files.append(str(file))
    run = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / ".cache"), *files],
        capture_output=True,
        text=True,
        cwd=tmp_path,
    )
    assert run.returncode == 0, run.stdout + run.stderr


def anchor(heading):
    """The fragment that Markdown renderers give a heading."""
    text = heading.lower().replace("`", "")
    return re.sub(r"[^\w\- ]", "", text).replace(" ", "-")


def test_links_between_pages_resolve():
    anchors = {
        page.name: {anchor(line.lstrip("#").strip()) for line in page.read_text().splitlines() if line.startswith("#")}
        for page in PAGES
    }
    for page in PAGES:
        for target, fragment in re.findall(r"\]\(([\w.]*?)(?:#([\w\-]+))?\)", page.read_text()):
            target = target or page.name
            assert target in anchors, f"{page.name}: link to missing page {target}"
            if fragment:
                assert fragment in anchors[target], f"{page.name}: no heading for {target}#{fragment}"
