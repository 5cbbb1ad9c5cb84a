"""Every function's results, bit for bit, on the calls of data/pinned_calls.txt.

data/pinned_bits.json holds, per call, the repr of its result (a float's repr
gives back its exact bits, and shows -0.0) or the exception it raises, and
how many times and with which arguments the call ran its callables. These are
the answers of a build checked against an independent model of the
arithmetic, kept so that no later change moves a bit unnoticed. NaN is pinned
as NaN: its sign and payload are the machine's, not the module's.

    python tests/test_bits.py --store   # records calls that have no entry yet

Where the C library's math functions take part, libm_trace.py tells whether
a difference on another machine comes from them (see docs/platforms.md, "The
same bits on every machine").
"""

import hashlib
import json
import math
import pathlib
import sys

import pytest

import libm_trace
import vexari

DATA = pathlib.Path(__file__).parent / "data"
CALLS = [line.strip() for line in (DATA / "pinned_calls.txt").read_text().splitlines()
         if line.strip() and not line.startswith("#")]
STORED = DATA / "pinned_bits.json"
LONG = 3000  # longer reprs are kept as a digest and their first characters


class Planted(Exception):
    pass


LOG: list[str] = []


def logged(function):
    def callback(*args):
        LOG.append(repr(args))
        return function(*args)
    callback.__name__ = function.__name__
    return callback


def _raises_at(n):
    def function(*args):
        if len(LOG) == n:
            raise Planted(f"call {n}")
        return 1.0
    return function


CALLABLES = {
    "square_minus_two": lambda x: x * x - 2.0,
    "cubic": lambda x: (x * x - 2.0) * x - 5.0,
    "flat": lambda x: 3.0,
    "poly_sq": lambda x: x * x,
    "lorentz": lambda x: 1.0 / (1.0 + x * x),
    "inverse_square": lambda x: 1.0 / ((1.0 + x) * (1.0 + x)),
    "shifted_square": lambda x: (x - 1.25) * (x - 1.25) + 0.5,
    "quartic": lambda x: ((x * x - 1.0) * x - 0.5) * x,
    "nan_after_two": lambda x: math.nan if len(LOG) > 2 else x * x - 2.0,
    "returns_nan": lambda x: math.nan,
    "raises_at_second": _raises_at(2),
    "raises_at_second2": lambda t, y: _raises_at(2)(t, y),
    "decay": lambda t, y: t - 2.0 * y,
    "logistic": lambda t, y: y * (1.0 - y),
    "steep": lambda t, y: 1e200 * y - t,
    "bowl": lambda v: (v[0] - 1.0) * (v[0] - 1.0) + 3.0 * (v[1] + 2.0) * (v[1] + 2.0),
    "sum_of_squares": lambda v: sum(x * x for x in v),
    "rosenbrock_residuals": lambda v: [1.0 - v[0], 10.0 * (v[1] - v[0] * v[0])],
    "line_residuals": lambda v: [v[0] + v[1] * t - y for t, y in ((0.0, 1.0), (1.0, 2.9), (2.0, 5.2), (3.0, 6.8))],
    "degenerate_residuals": lambda v: [v[0] + v[1] - 1.0, 2.0 * v[0] + 2.0 * v[1] - 3.0],
    "short_residuals": lambda v: [v[0]],
}
NAMESPACE = {name: getattr(vexari, name) for name in vexari.__all__[1:]}
NAMESPACE.update({name: logged(f) for name, f in CALLABLES.items()}, inf=math.inf, nan=math.nan)


def describe(call: str) -> str:
    """What the call answers, as text that changes with any bit of it."""
    LOG.clear()
    try:
        answer = repr(eval(call, NAMESPACE))
    except Exception as error:
        answer = f"{type(error).__name__}: {error}"
        if error.__cause__ is not None:
            answer += f" (from {type(error.__cause__).__name__}: {error.__cause__})"
    if len(answer) > LONG:
        answer = f"sha256 {hashlib.sha256(answer.encode()).hexdigest()} of {answer[:300]}..."
    if LOG:
        answer += f" | {len(LOG)} calls, sha256 {hashlib.sha256(chr(10).join(LOG).encode()).hexdigest()[:16]}"
    return answer


def stored() -> dict[str, str]:
    return json.loads(STORED.read_text()) if STORED.exists() else {}


PINNED = stored()


def test_every_function_is_pinned():
    pinned = {call.split("(")[0] for call in CALLS}
    assert pinned == set(vexari.__all__[1:])


@pytest.mark.parametrize("call", CALLS)
def test_bits(call):
    expected = PINNED.get(call)
    assert expected is not None, f"no stored answer for {call}: run python tests/test_bits.py --store"
    answer = describe(call)
    if answer != expected:
        pytest.fail(f"{call} answers\n  {answer}\nwhere the bits were recorded\n  {expected}\n{libm_trace.explain(call)}")


def test_c_library_is_asked_and_answers_as_recorded():
    """Per call and per C library function it reaches, the same arguments and answers as where the bits were
    recorded: a call whose bits differ while this passes is the module's own difference."""
    recorded = json.loads(libm_trace.STORED.read_text())
    here = libm_trace.traces(CALLS)
    if here is None:
        pytest.skip("no C compiler to build the tracing shim")
    assert {call: traced for call, traced in here.items() if traced} == recorded


if __name__ == "__main__" and sys.argv[1:] == ["--store"]:
    answers = stored()
    for call in CALLS:
        if call not in answers:
            answers[call] = describe(call)
            print(f"{call}\n    {answers[call]}")
    STORED.write_text(json.dumps({c: answers[c] for c in CALLS if c in answers}, indent=0, ensure_ascii=False) + "\n")
    # The C library's part is recorded anew for every call: it is what this machine's library answers.
    traced = libm_trace.traces(CALLS)
    libm_trace.STORED.write_text(json.dumps({c: t for c, t in traced.items() if t}, indent=0) + "\n")
