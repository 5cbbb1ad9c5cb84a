"""Vector arguments that are not lists: tuple, array.array('d') and a NumPy
float64 array, against the same values in a list.

The toolkit's function is `mean` (or `norm` while `mean` is missing): a
single pass whose cost is nearly all argument conversion. The floor reads the
list in place ("floor list"), and reads the buffer of the array.array and the
NumPy array directly ("floor buffer": what a buffer-protocol fast path would
cost, shown for comparison). "iterating array.array" is list(a): what merely
iterating the array costs (one new float per item), which the buffer route
must beat tenfold.
"""

from __future__ import annotations

import array
import random

import numpy as np

from harness import Case, Context, Contender

SIZES = (1000, 100000, 1000000)


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
    return out
