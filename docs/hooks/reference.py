"""Builds the API reference pages from the type stubs' docstrings, so the text is written once.

Each family of functions (the section comments of the stub) becomes one page under reference/, and
every function an entry whose anchor is its own name: signature, parameters, result keys, errors,
examples. Used as an MkDocs hook, and imported by the tests.
"""

from __future__ import annotations

import ast
import re
import sys
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
STUB = ROOT / "vexari-stubs" / "__init__.pyi"
SECTIONS = ("Args", "Returns", "Raises", "Examples")
Pictures = dict[str, list[tuple[str, str]]]  # function: [(picture file, script stem)]


@dataclass
class Entry:
    name: str
    family: str
    signature: str
    plain_signature: str
    parameters: list[tuple[str, str, str | None, str]]  # name, type, default, text
    returns: str
    result: str
    raises: list[tuple[str, str]]
    summary: str
    examples: str


@dataclass
class Stub:
    families: dict[str, list[Entry]] = field(default_factory=dict)
    shapes: dict[str, tuple[str, list[tuple[str, str, str]]]] = field(default_factory=dict)
    aliases: dict[str, tuple[str, str]] = field(default_factory=dict)
    module_doc: str = ""

    @property
    def entries(self) -> dict[str, Entry]:
        return {entry.name: entry for entries in self.families.values() for entry in entries}


def title(family: str) -> str:
    """A family's name wherever it is shown: its section comment without the note in brackets."""
    return family.split("(")[0].strip()


def note(family: str) -> str:
    """The note in brackets of a section comment ("coefficient lists, constant term first"), if any."""
    return family.partition("(")[2].rstrip(")").strip()


def slug(family: str) -> str:
    return re.sub(r"[^a-z]+", "-", title(family).lower()).strip("-")


def split_sections(doc: str) -> tuple[str, dict[str, str]]:
    """The free text before the first section, and each Google-style section's dedented body."""
    lines = doc.splitlines()
    head: list[str] = []
    sections: dict[str, list[str]] = {}
    current: list[str] = head
    for line in lines:
        header = line.strip().rstrip(":")
        if line.strip().endswith(":") and header in SECTIONS and not line.startswith(" "):
            current = sections.setdefault(header, [])
        else:
            current.append(line)
    return "\n".join(head).strip(), {name: _dedent(body) for name, body in sections.items()}


def _dedent(lines: list[str]) -> str:
    lines = [line[4:] if line.startswith("    ") else line for line in lines]
    return "\n".join(lines).strip("\n")


def items(body: str) -> list[tuple[str, str]]:
    """`key: text` items whose text may continue on further indented lines."""
    found: list[tuple[str, str]] = []
    for line in body.splitlines():
        if line and not line.startswith(" "):
            key, _, text = line.partition(":")
            found.append((key.strip(), text.strip()))
        elif found and line.strip():
            found[-1] = (found[-1][0], found[-1][1] + " " + line.strip())
    return found


def prose(text: str) -> str:
    """Docstring text as Markdown: ``code`` becomes `code`, and outside code, characters that Markdown
    would read as emphasis are escaped."""
    parts = re.split(r"(``.+?``)", text, flags=re.S)
    out = []
    for part in parts:
        if part.startswith("``") and part.endswith("``"):
            out.append("`" + part[2:-2] + "`")
        else:
            out.append(re.sub(r"([*_\[\]|])", r"\\\1", part))
    return "".join(out)


def parse(source: str | None = None) -> Stub:
    source = STUB.read_text() if source is None else source
    tree = ast.parse(source)
    stub = Stub(module_doc=ast.get_docstring(tree) or "")
    lines = source.splitlines()
    family = ""
    previous_end = 0
    for node in tree.body:
        # A family starts at a top-level comment line such as "# Root finding".
        for line in lines[previous_end:node.lineno - 1]:
            if line.startswith("# ") and not line.startswith("# The") and not line.startswith("# What"):
                family = line[2:].strip()
        previous_end = node.end_lineno or node.lineno
        if isinstance(node, ast.TypeAlias):
            stub.aliases[node.name.id] = (ast.unparse(node.value), "")
        elif isinstance(node, ast.Expr) and isinstance(node.value, ast.Constant) and stub.aliases:
            last = list(stub.aliases)[-1]
            if not stub.aliases[last][1]:
                stub.aliases[last] = (stub.aliases[last][0], str(node.value.value))
        elif isinstance(node, ast.ClassDef) and "TypedDict" in map(ast.unparse, node.bases):
            keys: list[tuple[str, str, str]] = []
            for index, item in enumerate(node.body):
                if isinstance(item, ast.AnnAssign) and isinstance(item.target, ast.Name):
                    after = node.body[index + 1] if index + 1 < len(node.body) else None
                    text = (after.value.value if isinstance(after, ast.Expr) and isinstance(after.value, ast.Constant)
                            else "")
                    keys.append((item.target.id, ast.unparse(item.annotation), str(text)))
            stub.shapes[node.name] = (ast.get_docstring(node) or "", keys)
        elif isinstance(node, ast.FunctionDef):
            stub.families.setdefault(family, []).append(entry(node, family, source))
    return stub


def entry(node: ast.FunctionDef, family: str, source: str) -> Entry:
    doc = ast.get_docstring(node) or ""
    summary, sections = split_sections(doc)
    texts = dict(items(sections.get("Args", "")))
    args = node.args.args
    defaults: list[ast.expr | None] = [None] * (len(args) - len(node.args.defaults)) + list(node.args.defaults)
    parameters = [(a.arg, ast.unparse(a.annotation) if a.annotation else "", None if d is None else ast.get_source_segment(source, d),
                   texts.get(a.arg, "")) for a, d in zip(args, defaults)]
    typed_parts = [f"{n}: {t}" + ("" if d is None else f" = {d}") for n, t, d, _ in parameters]
    typed = ", ".join(typed_parts)
    if len(typed) + len(node.name) > 70:
        # One parameter a line, as a formatter would lay out a long signature.
        typed = "\n" + "".join(f"    {part},\n" for part in typed_parts)
    plain = ", ".join(n + ("" if d is None else f"={d}") for n, _, d, _ in parameters)
    result = ast.unparse(node.returns) if node.returns else "None"
    return Entry(
        name=node.name, family=family, signature=f"{node.name}({typed}) -> {result}",
        plain_signature=f"{node.name}({plain})", parameters=parameters, returns=sections.get("Returns", ""),
        result=result, raises=items(sections.get("Raises", "")), summary=summary,
        examples=sections.get("Examples", ""))


def shapes_in(annotation: str, stub: Stub) -> list[str]:
    """The result shapes named in an annotation, nested ones after their parents."""
    found: list[str] = []
    for name in re.findall(r"\w+", annotation):
        if name in stub.shapes and name not in found:
            found.append(name)
            for _, inner, _ in stub.shapes[name][1]:
                found += [n for n in shapes_in(inner, stub) if n not in found]
    return found


def render_entry(item: Entry, stub: Stub, pictures: Pictures) -> str:
    out = [f"## {item.name} {{ #{item.name} }}", "", "```python", item.signature, "```", "", prose(item.summary), ""]
    out += ["**Parameters**", ""]
    for name, annotation, default, text in item.parameters:
        default_text = "" if default is None else f", default `{default}`"
        out.append(f"- `{name}` ({type_link(annotation, stub)}{default_text}): {prose(text)}")
    out += ["", f"**Returns** {type_link(item.result, stub)}: {prose(' '.join(item.returns.split()))}", ""]
    for shape in shapes_in(item.result, stub):
        doc, keys = stub.shapes[shape]
        out += [f"Result keys of `{shape}`, in order:", "", "| Key | Type | Meaning |", "|---|---|---|"]
        out += [f"| `\"{key}\"` | `{kind}` | {prose(' '.join(text.split())) or '&nbsp;'} |" for key, kind, text in keys]
        out.append("")
    if item.raises:
        out += ["**Raises**", ""]
        out += [f"- `{kind}`: {prose(text)}" for kind, text in item.raises]
        out.append("")
    out += ["**Example**", "", "```pycon", item.examples, "```", ""]
    for picture, page in pictures.get(item.name, []):
        out += [f"![{picture} drawn in the gallery](../gallery/images/{picture}){{ loading=lazy }}", "",
                f"*Drawn by [`examples/{page}.py`](../gallery.md#{page}).*", ""]
    return "\n".join(out)


def type_link(annotation: str, stub: Stub) -> str:
    """An annotation with its aliases and shapes linked to the index; the brackets of generic types are
    written as entities, since Markdown would read them as links."""
    out = []
    for piece in re.split(r"(\w+)", annotation):
        if piece in stub.aliases or piece in stub.shapes:
            out.append(f"[{piece}](index.md#{piece.lower()})")
        else:
            out.append(piece.replace("[", "&#91;").replace("]", "&#93;"))
    return "".join(out)


def render_family(family: str, stub: Stub, pictures: Pictures) -> str:
    entries = stub.families[family]
    head = [f"# {title(family)}", ""]
    if note(family):
        head += [f"*{note(family)[0].upper()}{note(family)[1:]}.*", ""]
    head += ["| Function | Summary |", "|---|---|"]
    head += [f"| [`{e.plain_signature}`](#{e.name}) | {prose(e.summary.split(chr(10) + chr(10))[0].replace(chr(10), ' '))} |"
             for e in entries]
    return "\n".join(head) + "\n\n" + "\n".join(render_entry(e, stub, pictures) for e in entries)


def render_index(stub: Stub) -> str:
    out = ["# API reference", "", "Every function of the one flat `vexari` namespace, by family. The text comes "
           "from the docstrings of the type stubs, so an IDE's hover help shows the same words; `help()` in the "
           "interpreter shows only the signature (see [Getting help](../index.md#getting-help)).", ""]
    out += ["| Family | Functions |", "|---|---|"]
    for family, entries in stub.families.items():
        names = ", ".join(f"[`{e.name}`]({slug(family)}.md#{e.name})" for e in entries)
        out.append(f"| [{title(family)}]({slug(family)}.md) | {names} |")
    out += ["", "## Conventions", "", prose(stub.module_doc.split("\n\n", 2)[2]), ""]
    out += ["## Parameter types", "", "Names the signatures use; they exist for type checkers only "
            "(import them under `if typing.TYPE_CHECKING:`).", ""]
    for name, (value, text) in stub.aliases.items():
        out += [f"### {name} {{ #{name.lower()} }}", "", "```python", f"type {name} = {value}", "```", "", prose(text), ""]
    out += ["## Result shapes", "", "Results are plain dicts with `str` keys in the order shown; each shape is a "
            "`TypedDict` of the stubs.", ""]
    for name, (doc, keys) in stub.shapes.items():
        out += [f"### {name} {{ #{name.lower()} }}", "", prose(doc), "", "| Key | Type | Meaning |", "|---|---|---|"]
        out += [f"| `\"{key}\"` | `{kind}` | {prose(' '.join(text.split())) or '&nbsp;'} |" for key, kind, text in keys]
        out.append("")
    out += ["## `PanicException`", "", "Raised when vexari meets an internal failure: a broken invariant in the "
            "library itself, never a fault of the caller's data. Derived from `BaseException`, so "
            "`except Exception` does not catch it.", ""]
    return "\n".join(out)


def pages(pictures: Pictures | None = None) -> dict[str, str]:
    """Every reference page as {path under the docs folder: Markdown}."""
    stub = parse()
    pictures = pictures or {}
    found = {"reference/index.md": render_index(stub)}
    for family in stub.families:
        found[f"reference/{slug(family)}.md"] = render_family(family, stub, pictures)
    return found


# MkDocs hook

def on_files(files, config):
    from mkdocs.structure.files import File

    # MkDocs loads hooks by path, so the sibling hook is found through the folder.
    if str(Path(__file__).parent) not in sys.path:
        sys.path.append(str(Path(__file__).parent))
    import gallery

    for path, text in pages(gallery.pictures_by_function()).items():
        files.append(File.generated(config, path, content=text))
    return files
