"""One row per CPython version from the tables of bench/run, one run per version.

Usage: python bench/by_version.py RESULTS.md [RESULTS.md ...] > results-by-version.md

From each table: the toolkit over its floor for the callback cases (the
largest and the median), what one Python call costs the floor there (the
median of "callback alone": where a version makes calls or floats cheaper,
the floor moves with it), the toolkit over its floor for lists, and NumPy's
time over the toolkit's on lists (below 1 would mean NumPy is faster), with
the cases that miss a target as the table's Gaps section lists them.
"""

import re
import statistics
import sys
from pathlib import Path


def rows(text: str, section: str) -> list[dict[str, str]]:
    """The rows of the first table under the section's heading, by column name."""
    body = text.split(f"\n## {section}\n", 1)[1].split("\n## ", 1)[0]
    lines = [line for line in body.splitlines() if line.startswith("|")]
    names = [cell.strip() for cell in lines[0].strip("|").split("|")]
    return [dict(zip(names, (cell.strip() for cell in line.strip("|").split("|")))) for line in lines[2:]]


def ratio(cell: str) -> float:
    return float(cell.rstrip("x"))


def nanoseconds(cell: str) -> float:
    number, unit = cell.split()
    return float(number) * {"ns": 1, "us": 1e3, "µs": 1e3, "ms": 1e6}[unit]


def summary(path: Path) -> list[str]:
    text = path.read_text()
    python = re.search(r"^- Python (\S+),", text, re.MULTILINE)[1]
    callbacks = rows(text, "Callbacks: cost per evaluation")
    over_floor = [ratio(row["x floor"]) for row in callbacks]
    alone = [nanoseconds(row["callback alone"]) for row in callbacks]
    lists = rows(text, "Lists: summary")
    list_floor = [ratio(row["vexari x floor"]) for row in lists]
    numpy = [ratio(row["numpy / vexari"]) for row in lists if row["numpy / vexari"]]
    gaps = text.split("\n## Gaps\n", 1)[1].split("\n## ", 1)[0].count("\n- ")
    return [python, f"{max(over_floor):.2f}x", f"{statistics.median(over_floor):.2f}x",
            f"{statistics.median(alone):.1f} ns", f"{max(list_floor):.2f}x", f"{min(numpy):.2f}x", str(gaps)]


def main() -> None:
    print("| CPython | callbacks x floor, largest | callbacks x floor, median | one Python call (floor) "
          "| lists x floor, largest | NumPy / vexari on lists, smallest | cases missing a target |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for path in sys.argv[1:]:
        print("| " + " | ".join(summary(Path(path))) + " |")


if __name__ == "__main__":
    main()
