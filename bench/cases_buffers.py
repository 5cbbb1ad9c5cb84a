"""Vector arguments that are not lists: tuple, array.array('d') and a NumPy
float64 array, against the same values in a list.

The toolkit's function is `mean` (or `norm` while `mean` is missing): a
single pass whose cost is nearly all argument conversion. The floor reads the
list in place ("floor list"), and reads the buffer of the array.array and the
NumPy array directly ("floor buffer": what a buffer-protocol fast path would
cost, shown for comparison). "iterating array.array" is list(a): what merely
iterating the array costs (one new float per item), which the buffer route
must beat tenfold.

The format cases time `mean` of NumPy arrays of every numeric format that is
read directly, against the same values as float64: the ratio is the cost per
item of widening the format, which should stay within 1.5x of float64's.
"""

from __future__ import annotations

import array
import random

import numpy as np

from harness import Case, Context, Contender

SIZES = (1000, 100000, 1000000)
FORMATS = ("float32", "int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64", "bool")


def cases(ctx: Context) -> list[Case]:
    vx, fl = ctx.vx, ctx.fl
    function = "mean" if ctx.has("mean") else "norm"
    out = []
    for n in SIZES:
        def setup(n=n):
            generator = random.Random(7)
            values = [generator.random() for _ in range(n)]
            as_tuple = tuple(values)
            as_array = array.array("d", values)
            as_numpy = np.asarray(values)
            run = getattr(vx, function)
            floor_list = getattr(fl, function)
            contenders = [
                Contender("vexari list", lambda: run(values)),
                Contender("vexari tuple", lambda: run(as_tuple)),
                Contender("vexari array.array", lambda: run(as_array)),
                Contender("vexari ndarray", lambda: run(as_numpy)),
                Contender("floor list", lambda: floor_list(values)),
                Contender("iterating array.array", lambda: list(as_array), canon=lambda _: None,
                          note="list(a), no arithmetic"),
            ]
            if function == "mean":
                contenders += [
                    Contender("floor buffer array.array", lambda: fl.mean_buffer(as_array)),
                    Contender("floor buffer ndarray", lambda: fl.mean_buffer(as_numpy)),
                    Contender("numpy mean of ndarray", lambda: as_numpy.mean()),
                ]
            return contenders

        out.append(Case("buffers", f"{function} n=1e{len(str(n)) - 1}", (function,), setup,
                        reference="floor list", compare_to="vexari list", full_only=n >= 1000000))
    return out + format_cases(ctx)


def format_cases(ctx: Context) -> list[Case]:
    vx = ctx.vx
    out = []
    for n in SIZES[1:]:
        def setup(n=n):
            generator = np.random.default_rng(7)
            # Values every format holds (bool keeps their parity), widened
            # exactly, so every contender's mean is the float64 one's.
            whole = generator.integers(0, 100, size=n)
            arrays = {name: (whole % 2 if name == "bool" else whole).astype(name) for name in FORMATS}
            as_float64 = whole.astype(np.float64)
            contenders = [Contender("vexari float64", lambda: vx.mean(as_float64))]
            for name, values in arrays.items():
                contenders.append(Contender(f"vexari {name}", lambda values=values: vx.mean(values),
                                            canon=(lambda _: None) if name == "bool" else None))
            return contenders

        out.append(Case("buffers", f"mean of formats n=1e{len(str(n)) - 1}", ("mean",), setup,
                        reference="vexari float64", compare_to="vexari float64", full_only=n >= 1000000))
    return out
