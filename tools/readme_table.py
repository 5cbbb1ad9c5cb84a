"""The README's table of functions, generated from the type stub so that it cannot drift.

Each row takes its family from the stub's section comment (as the API pages
do), the signature without types, and the first sentence of the docstring.

    python tools/readme_table.py           # prints the table
    python tools/readme_table.py --write   # puts it into README.md between the markers
"""

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
README = ROOT / "README.md"
BEGIN = "<!-- The table below is generated from vexari-stubs/__init__.pyi by tools/readme_table.py --write. -->\n"
END = "<!-- End of the generated table. -->\n"

# The API pages read the stub with this parser; the README shares it, so both group alike.
sys.path.insert(0, str(ROOT / "docs" / "hooks"))
import reference  # noqa: E402


def first_sentence(summary: str) -> str:
    """The docstring's first sentence, on one line and without its full stop."""
    paragraph = " ".join(summary.split("\n\n")[0].split())
    # A sentence ends at a full stop before a space or the end: "1e-6." and "f(x)." end none early.
    match = re.match(r"(.+?)\.(?:\s|$)", paragraph)
    return match.group(1) if match else paragraph


def cell(text: str) -> str:
    """Docstring text as a Markdown table cell: ``code`` becomes `code`, and | cannot end the cell."""
    return re.sub(r"``(.+?)``", r"`\1`", text).replace("|", r"\|")


def table() -> str:
    rows = ["| Family | Function | What it does |", "|---|---|---|"]
    for family, entries in reference.parse().families.items():
        for index, entry in enumerate(entries):
            rows.append(f"| {family if index == 0 else ''} | `{entry.plain_signature}` | "
                        f"{cell(first_sentence(entry.summary))} |")
    # A blank line ends the table before the closing marker.
    return "\n".join(rows) + "\n\n"


def current(readme: str) -> str:
    """The README's generated section, markers excluded."""
    if readme.count(BEGIN) != 1 or readme.count(END) != 1 or readme.index(BEGIN) > readme.index(END):
        raise SystemExit("README.md must hold the table's two marker comments once each, in order")
    return readme.split(BEGIN, 1)[1].split(END, 1)[0]


def main(arguments: list[str]) -> int:
    if arguments == ["--write"]:
        readme = README.read_text()
        README.write_text(readme.replace(BEGIN + current(readme) + END, BEGIN + table() + END))
    elif not arguments:
        sys.stdout.write(table())
    else:
        print("usage: python tools/readme_table.py [--write]", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
