"""The Dask sweep gives, on worker processes, exactly what a serial run gives."""

import math
import os
import struct
import sys
from pathlib import Path

import pytest

pytest.importorskip("distributed")
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "examples"))

import dask_sweep  # noqa: E402
from dask.distributed import LocalCluster  # noqa: E402


def exact(tables):
    """Every float by its bits, so that -0.0 and NaN compare as themselves."""
    return {name: [[struct.pack("<d", v) if isinstance(v, float) else v for v in row] for row in rows]
            for name, rows in tables.items()}


def test_local_cluster_of_two_workers_matches_the_serial_run():
    grid = dask_sweep.grids(small=True)
    with dask_sweep.connect(None, 2) as client:
        workers = client.run(os.getpid)
        tables = dask_sweep.distributed(grid, client)
    assert len(workers) == 2 and os.getpid() not in workers.values()
    serial = dask_sweep.serial(grid)
    assert exact(tables) == exact(serial)
    assert len(tables["kepler"]) == len(grid["eccentricities"]) * len(grid["anomalies"])
    for e, m, anomaly, _, converged in tables["kepler"]:
        assert converged and abs(anomaly - e * math.sin(anomaly) - m) < 1e-12


def test_script_on_a_running_scheduler_writes_the_serial_tables(tmp_path):
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster:
        dask_sweep.main([str(tmp_path / "out"), "--small", "--scheduler", cluster.scheduler_address])
    expected = dask_sweep.write_tables(dask_sweep.serial(dask_sweep.grids(small=True)), tmp_path / "serial")
    for path in expected:
        written = tmp_path / "out" / path.name
        assert written.read_text() == path.read_text()
        assert len(written.read_text().splitlines()) > 10
