"""The Dask sweep gives, on worker processes, exactly what a serial run gives.

The clusters run in child interpreters: a cluster leaves threads behind in the
process that ran it, and later tests fork worker processes of their own."""

import math
import subprocess
import sys
from pathlib import Path

import pytest

pytest.importorskip("distributed")
EXAMPLES = Path(__file__).resolve().parent.parent / "examples"
sys.path.insert(0, str(EXAMPLES))

import dask_sweep  # noqa: E402

ON_A_SCHEDULER = """
import sys
from dask.distributed import LocalCluster
sys.path.insert(0, sys.argv[2])
import dask_sweep
with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster:
    dask_sweep.main([sys.argv[1], "--small", "--scheduler", cluster.scheduler_address])
"""


@pytest.fixture(scope="module")
def serial_tables(tmp_path_factory):
    tables = dask_sweep.serial(dask_sweep.grids(small=True))
    for e, m, anomaly, _, converged in tables["kepler"]:
        assert converged and abs(anomaly - e * math.sin(anomaly) - m) < 1e-12
    return dask_sweep.write_tables(tables, tmp_path_factory.mktemp("serial"))


@pytest.mark.parametrize("how", ["local cluster", "running scheduler"])
def test_two_workers_write_the_serial_tables_bit_for_bit(tmp_path, serial_tables, how):
    out = tmp_path / "out"
    if how == "local cluster":
        command = [sys.executable, str(EXAMPLES / "dask_sweep.py"), str(out), "--small", "--workers", "2"]
    else:
        command = [sys.executable, "-c", ON_A_SCHEDULER, str(out), str(EXAMPLES)]
    run = subprocess.run(command, capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stderr
    assert "on 2 workers" in run.stdout
    for path in serial_tables:
        # Floats are written by repr, so equal text is equal bits.
        written = (out / path.name).read_text()
        assert written == path.read_text()
        assert len(written.splitlines()) > 10
