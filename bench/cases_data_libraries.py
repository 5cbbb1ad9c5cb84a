"""Vectors held by data libraries: mean, dot and convolve of 1e6 floats as a
pandas Series, a polars Series, an xarray DataArray and a pyarrow array,
against the same values as a NumPy float64 array. Each is read through the
array it exports, so each should stay within 1.5x of the ndarray (the target
lives in report.py); what remains over it is the export and the question
whether the object can hold a missing value (its dtype or null count). A
library that is not installed drops its contender.

For mean and dot each object is also read item by item (the same object
behind a plain sequence), which the route must beat by 10x (report.py): the
tests only prove that the route is taken, not what it saves. Not the
DataArray: each of its items is a 0-d DataArray, some 20 us, so a sample
would take 20 s for a ratio in the thousands.
"""

from __future__ import annotations

import importlib

import numpy as np

from harness import Case, Context, Contender

N = 1_000_000
KERNEL = 16

LIBRARIES = {
    "pandas Series": ("pandas", lambda pd, values: pd.Series(values)),
    "polars Series": ("polars", lambda pl, values: pl.Series(values)),
    "xarray DataArray": ("xarray", lambda xr, values: xr.DataArray(values)),
    "pyarrow array": ("pyarrow", lambda pa, values: pa.array(values)),
}

CALLS = {
    "mean": lambda vx, values, kernel: vx.mean(values),
    "dot": lambda vx, values, kernel: vx.dot(values, values),
    "convolve": lambda vx, values, kernel: vx.convolve(values, kernel),
}


class ItemByItem:
    """The same object as a plain sequence: read item by item whatever it exports."""

    def __init__(self, wrapped):
        self.wrapped = wrapped

    def __len__(self):
        return len(self.wrapped)

    def __iter__(self):
        return iter(self.wrapped)

    def __getitem__(self, index):
        return self.wrapped[index]


# The calls timed item by item as well (one Vector read, and two), and the objects.
ITEM_BY_ITEM = ("mean", "dot")
ITEM_BY_ITEM_LIBRARIES = ("pandas Series", "polars Series", "pyarrow array")


def held(values: np.ndarray) -> dict[str, object]:
    """The values as each installed library holds them, beside the ndarray itself."""
    out: dict[str, object] = {"ndarray": values}
    for name, (module, make) in LIBRARIES.items():
        try:
            out[name] = make(importlib.import_module(module), values)
        except ImportError:
            continue
    return out


def cases(ctx: Context) -> list[Case]:
    vx = ctx.vx
    out = []
    for function, call in CALLS.items():
        def setup(call=call, function=function):
            generator = np.random.default_rng(11)
            signals = held(generator.standard_normal(N))
            kernels = held(generator.standard_normal(KERNEL))
            contenders = [Contender(f"vexari {name}", lambda s=signal, k=kernels[name]: call(vx, s, k))
                          for name, signal in signals.items()]
            if function in ITEM_BY_ITEM:
                contenders += [Contender(f"vexari {name} item by item",
                                         lambda s=ItemByItem(signal), k=kernels[name]: call(vx, s, k))
                               for name, signal in signals.items() if name in ITEM_BY_ITEM_LIBRARIES]
            return contenders

        out.append(Case("data libraries", f"{function} n=1e6", (function,), setup,
                        reference="vexari ndarray", compare_to="vexari ndarray", full_only=True))
    return out
