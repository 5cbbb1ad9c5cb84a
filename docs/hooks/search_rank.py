"""Ranks a function's API entry first in a search for its name.

The search matches the start of words, so a search for "newton" also finds newton_animation_data
and the gallery's newton_animation, and it weighs rarer words higher: the longer names, rare on the
site, outranked the entry of the function named, a word used on many pages. Each function's entry
in the search index is weighted up, and the more so where its name begins another function's name.
Used as an MkDocs hook: it edits the index after the search plugin writes it and before the offline
plugin copies it into the script that a site opened as files reads.
"""

from __future__ import annotations

import json
import sys
from pathlib import Path

from mkdocs.plugins import event_priority

HOOKS = str(Path(__file__).parent)
# Weights found by searching for every function's name on the built site (tests/test_site.py
# searches for a few): entries need about 1.2 and prefix names a further 1.5; each is doubled here.
ENTRY = 3.0
PREFIX_OF_ANOTHER = 3.0


def weights() -> dict[str, float]:
    """{location of a function's entry in the search index: its weight}."""
    # MkDocs loads hooks by path, so the sibling hook is imported through this folder.
    if HOOKS not in sys.path:
        sys.path.append(HOOKS)
    import reference

    entries = reference.parse().entries
    return {f"reference/{reference.slug(entry.family)}.html#{name}":
            ENTRY * (PREFIX_OF_ANOTHER if any(other != name and other.startswith(name) for other in entries) else 1.0)
            for name, entry in entries.items()}


@event_priority(-50)  # after the search plugin (0), before the offline plugin (-100)
def on_post_build(config):
    path = Path(config.site_dir) / "search" / "search_index.json"
    index = json.loads(path.read_text(encoding="utf-8"))
    found = weights()
    for doc in index["docs"]:
        if doc["location"] in found:
            doc["boost"] = found.pop(doc["location"])
    assert not found, f"functions without an entry in the search index: {sorted(found)}"
    path.write_text(json.dumps(index, separators=(",", ":")), encoding="utf-8")
