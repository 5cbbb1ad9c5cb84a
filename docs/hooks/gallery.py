"""Draws the example pictures during the site build and writes the gallery page: each picture beside
the code that drew it. The pictures are not kept in the repository; every build draws them anew.
Used as an MkDocs hook, and imported by the reference hook."""

from __future__ import annotations

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
HOOKS = str(Path(__file__).parent)


def scripts() -> list[Path]:
    """The picture scripts, in the order in which examples/pictures.py draws them."""
    source = (EXAMPLES / "pictures.py").read_text()
    order = re.search(r"for module in \(([^)]*)\)", source, re.S)
    assert order, "examples/pictures.py no longer lists its modules in a for loop"
    return [EXAMPLES / f"{name.strip()}.py" for name in order.group(1).split(",") if name.strip()]


def picture_name(script: Path) -> str:
    found = re.search(r'out / "([\w.]+\.(?:png|gif))"', script.read_text())
    assert found, f"{script.name} names no picture"
    return found.group(1)


def pictures_by_function() -> dict[str, list[tuple[str, str]]]:
    """{function: [(picture, script stem), ...]} for every vexari function a picture script calls."""
    found: dict[str, list[tuple[str, str]]] = {}
    for script in scripts():
        for name in dict.fromkeys(re.findall(r"vexari\.(\w+)\(", script.read_text())):
            found.setdefault(name, []).append((picture_name(script), script.stem))
    return found


def page() -> str:
    out = ["# Gallery", "",
           "Each picture is drawn by a script in `examples/` from vexari's results with matplotlib, during "
           "the build of this site. Run a script alone with an output folder, `python examples/slope_field.py out`, "
           "or all of them with `python examples/pictures.py out`.", ""]
    for script in scripts():
        source = script.read_text()
        doc = source.split('"""')[1].strip() if source.startswith('"""') else ""
        calls = ", ".join(f"[`{name}`](reference/{family_page(name)}#{name})"
                          for name in dict.fromkeys(re.findall(r"vexari\.(\w+)\(", source)))
        out += [f"## {script.stem} {{ #{script.stem} }}", "", doc, "",
                f"![{doc.splitlines()[0]}](gallery/images/{picture_name(script)})", "", f"Uses {calls}.", "",
                f'```python title="examples/{script.name}"', source.rstrip(), "```", ""]
    return "\n".join(out)


def family_page(function: str) -> str:
    # MkDocs loads hooks by path, so the sibling hook is imported through this folder.
    if HOOKS not in sys.path:
        sys.path.append(HOOKS)
    import reference

    stub = reference.parse()
    return reference.slug(stub.entries[function].family) + ".md"


def draw(into: Path) -> list[Path]:
    sys.path.insert(0, str(EXAMPLES))
    try:
        import pictures

        return pictures.draw_all(into)
    finally:
        sys.path.remove(str(EXAMPLES))


# MkDocs hook

def on_files(files, config):
    from mkdocs.structure.files import File

    drawn = draw(Path(config.site_dir).parent / (Path(config.site_dir).name + "-pictures"))
    for path in drawn:
        files.append(File.generated(config, f"gallery/images/{path.name}", abs_src_path=str(path)))
    files.append(File.generated(config, "gallery.md", content=page()))
    return files
