"""The picture examples write real PNG and GIF files, and the process sweep returns plain results."""

import sys
from pathlib import Path

import pytest

pytest.importorskip("matplotlib")
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "examples"))

import parameter_sweep  # noqa: E402
import pictures  # noqa: E402

MAGIC = {".png": b"\x89PNG\r\n\x1a\n", ".gif": b"GIF89a"}


def test_draw_all_writes_every_image(tmp_path):
    paths = pictures.draw_all(tmp_path / "images")
    assert sorted(p.name for p in paths) == sorted(
        ["tangent_lines.png", "slope_field.png", "newton_animation.gif", "quadrature_error.png", "regression_fit.png"])
    for path in paths:
        assert path.parent == tmp_path / "images"
        assert path.read_bytes().startswith(MAGIC[path.suffix]), path.name
        assert path.stat().st_size > 1000, path.name


def test_parameter_sweep_returns_the_roots_from_worker_processes():
    values = [0.5, 2.0, 27.0]
    results = parameter_sweep.sweep(values)
    assert [r["converged"] for r in results] == [True] * 3
    for a, result in zip(values, results):
        assert result["root"] ** 3 == pytest.approx(a, rel=1e-12)
        assert result == parameter_sweep.cube_root(a)
