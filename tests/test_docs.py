"""The reference in docs/: every function and result shape with the stub's signatures, working links,
and examples that type-check strictly and give the output shown."""

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
STUB = (ROOT / "vexari-stubs" / "__init__.pyi").read_text()
TREE = ast.parse(STUB)
PAGES = {page.name: page.read_text() for page in sorted(DOCS.glob("*.md"))}
INDEX = PAGES["README.md"]


def signature(function):
    """`name(a, b=default)` with the defaults written as in the stub."""
    args = function.args.args
    defaults = [None] * (len(args) - len(function.args.defaults)) + function.args.defaults
    parts = [a.arg + ("" if d is None else "=" + ast.get_source_segment(STUB, d)) for a, d in zip(args, defaults)]
    return f"{function.name}({', '.join(parts)})"


SIGNATURES = {node.name: signature(node) for node in TREE.body if isinstance(node, ast.FunctionDef)}
SHAPES = [node.name for node in TREE.body
          if isinstance(node, ast.ClassDef) and "TypedDict" in map(ast.unparse, node.bases)]
BLOCKS = [(name, text.count("\n", 0, match.start(1)) + 1, match.group(1)) for name, text in PAGES.items()
          for match in re.finditer(r"^```python\n(.*?)^```", text, re.MULTILINE | re.DOTALL)]


def test_every_function_and_shape_has_its_entries():
    headings = [line[4:-1] for text in PAGES.values() for line in text.splitlines() if line.startswith("## `")]
    assert sorted(h for h in headings if "(" in h) == sorted(SIGNATURES.values())
    assert all(signature == name + getattr(vexari, name).__text_signature__ for name, signature in SIGNATURES.items())
    for shape in SHAPES:
        assert f"| `{shape}` |" in INDEX, f"{shape} is missing from the index of result dicts"
    listed = {name: page for page, names in re.findall(r"^\| [^|]+ \| \[[\w.]+\]\(([\w.]+)\) \| (.+) \|$", INDEX, re.M)
              for name in re.findall(r"`(\w+)`", names)}
    assert sorted(listed) == sorted(SIGNATURES) and set(listed.values()) == set(PAGES) - {"README.md"}
    for name, page in listed.items():
        assert f"## `{SIGNATURES[name]}`" in PAGES[page], f"{name} is not on {page}"
        assert f"| `{SIGNATURES[name]}` |" in INDEX, f"{name} is missing from the functions by family"


@pytest.mark.parametrize("page, line, source", BLOCKS, ids=[f"{page}:{line}" for page, line, _ in BLOCKS])
def test_example_output(page, line, source):
    test = doctest.DocTestParser().get_doctest(source, {"vexari": vexari, "math": math}, page, page, line)
    runner, report = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE), []
    runner.run(test, out=report.append)
    assert runner.failures == 0, "".join(report)


def test_examples_type_check_strictly(tmp_path):
    for page, line, source in BLOCKS:
        code = "".join(example.source for example in doctest.DocTestParser().get_examples(source))
        file = tmp_path / f"{Path(page).stem}_{line}.py"
        file.write_text(f"# {page}, line {line}\nimport math\nimport vexari\n{code}")
    mypy = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / ".cache"),
                           *map(str, sorted(tmp_path.glob("*.py")))], capture_output=True, text=True, cwd=tmp_path)
    assert mypy.returncode == 0, mypy.stdout + mypy.stderr


def anchor(heading):
    """The fragment that Markdown renderers give a heading."""
    return re.sub(r"[^\w\- ]", "", heading.lower().replace("`", "")).replace(" ", "-")


def test_links_between_pages_resolve():
    anchors = {name: {anchor(line.lstrip("#").strip()) for line in text.splitlines() if line.startswith("#")}
               for name, text in PAGES.items()}
    for name, text in PAGES.items():
        for target, fragment in re.findall(r"\]\(([\w.]*?)(?:#([\w\-]+))?\)", text):
            target = target or name
            assert target in anchors, f"{name}: link to missing page {target}"
            assert not fragment or fragment in anchors[target], f"{name}: no heading for {target}#{fragment}"
