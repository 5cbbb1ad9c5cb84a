"""Data as it lives in pandas, polars and xarray goes straight in: the checkers accept it with the
libraries' own stubs (pandas-stubs) and annotations, and the script runs."""

from __future__ import annotations

import numpy as np
import pandas as pd
import polars as pl
import xarray as xr

import vexari


def main() -> None:
    readings = pd.Series([2.0, 4.0, 4.0, 5.0], index=[10, 20, 30, 40])
    frame = pd.DataFrame({"t": [0.0, 1.0, 2.0, 3.0], "y": [1.0, 3.0, 5.0, 7.0]})
    counts = pl.Series("counts", [1, 2, 3, 4])
    field = xr.DataArray(np.linspace(0.0, 1.0, 4), dims="x")
    stats = vexari.summary(readings)
    fit = vexari.linear_regression(frame["t"], frame["y"])
    smoothed: list[float] = vexari.convolve(counts, field)
    # A frame is no matrix: its rows are what .to_numpy() gives.
    rows: list[float] = vexari.mat_vec(frame.to_numpy(), [1.0, 0.0])
    print(stats["mean"], fit["slope"], vexari.dot(readings.index, field), smoothed[0], rows[-1],
          vexari.mean(pd.Index([1.5, 2.5])), vexari.mean(np.arange(3.0)))


if __name__ == "__main__":
    main()
