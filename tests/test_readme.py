"""The README's function table is the one the stub gives, so a new or changed function shows there."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools"))

import readme_table  # noqa: E402


def test_the_function_table_is_generated_from_the_stub():
    found = readme_table.current(readme_table.README.read_text())
    assert found == readme_table.table(), "stale: run python tools/readme_table.py --write"
