"""Which of the C library's math functions the pinned calls reach, and what they answer.

A result may differ between machines without any fault of the module: the C
library's sin, tan, sinh, pow and the like are not required to round
correctly, and each C library (and each architecture's build of one) may
round a rare argument differently. So beside each call's result bits the
corpus keeps, for every such function the call reaches, how many distinct
arguments it was given and digests of them and of its answers, taken by the shim
libm_trace.c preloaded into a child interpreter. When a call's bits differ,
the same trace here tells whether the C library was asked the same and
answered otherwise (the C library differs) or was asked something else (the
difference arose before it).

Digests are over little-endian doubles, so that machines of either byte
order compare.
"""

import ctypes
import hashlib
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

SOURCE = Path(__file__).with_name("libm_trace.c")
STORED = Path(__file__).parent / "data" / "pinned_libm.json"
BINARY = {"pow"}


def _compiler() -> str | None:
    return shutil.which("cc") or shutil.which("gcc") or shutil.which("clang")


def traces(calls: list[str]) -> dict[str, dict[str, str]] | None:
    """Per call, per C library function it reaches: "count arguments-digest answers-digest".

    None where no C compiler can build the shim.
    """
    compiler = _compiler()
    if compiler is None:
        return None
    with tempfile.TemporaryDirectory() as folder:
        shim = Path(folder) / "libm_trace.so"
        subprocess.run([compiler, "-O2", "-shared", "-fPIC", "-o", str(shim), str(SOURCE), "-ldl"], check=True)
        env = dict(os.environ)
        # After any preload already there (a sanitizer's runtime must stay first).
        env["LD_PRELOAD"] = " ".join(filter(None, [env.get("LD_PRELOAD"), str(shim)]))
        env["PYTHONPATH"] = os.pathsep.join(filter(None, [str(SOURCE.parent), env.get("PYTHONPATH")]))
        child = subprocess.run([sys.executable, __file__, str(shim)], input=json.dumps(calls), env=env,
                               capture_output=True, text=True, check=True)
    return json.loads(child.stdout)


def explain(call: str) -> str:
    """Why a call's bits may differ here, as far as the C library's part goes."""
    recorded = json.loads(STORED.read_text()).get(call, {})
    if not recorded:
        return "it calls none of the C library's functions that may round differently"
    traced = traces([call])
    if traced is None:
        return f"it calls the C library's {', '.join(recorded)}; no C compiler here to trace them"
    here = traced[call]
    lines = []
    for name in sorted(set(recorded) | set(here)):
        was, now = recorded.get(name, "0 - -").split(), here.get(name, "0 - -").split()
        if was == now:
            lines.append(f"{name}: asked the same {now[0]} values, answered the same")
        elif was[:2] == now[:2]:
            lines.append(f"{name}: asked the same {now[0]} values, ANSWERED DIFFERENTLY: this C library rounds "
                         f"{name} otherwise than the one the bits were recorded with")
        else:
            lines.append(f"{name}: asked other values ({now[0]} distinct here, {was[0]} recorded): "
                         "the difference arose before it")
    return "the C library's part: " + "; ".join(lines)


def _bytes(*values: float) -> bytes:
    return b"".join(struct.pack("<d", value if value == value else math.nan) for value in values)


def _trace_in_this_process(shim: str, calls: list[str]) -> dict[str, dict[str, str]]:
    import test_bits

    class Call(ctypes.Structure):
        _fields_ = [("function", ctypes.c_int), ("x", ctypes.c_double), ("y", ctypes.c_double),
                    ("result", ctypes.c_double)]

    library = ctypes.CDLL(shim)
    library.libm_trace_calls.restype = ctypes.POINTER(Call)
    on = ctypes.c_int.in_dll(library, "libm_trace_on")
    count = ctypes.c_size_t.in_dll(library, "libm_trace_count")
    names = [name.decode() for name in (ctypes.c_char_p * 9).in_dll(library, "libm_trace_names")[:8]]
    answers = {}
    for call in calls:
        count.value, on.value = 0, 1
        test_bits.describe(call)
        on.value = 0
        recorded = library.libm_trace_calls()
        grouped: dict[str, list[Call]] = {}
        for i in range(count.value):
            grouped.setdefault(names[recorded[i].function], []).append(recorded[i])
        answers[call] = {}
        for name, made in sorted(grouped.items()):
            # Distinct arguments in order of their bytes: how often and in which order a compiler's code
            # asks (it may evaluate a pure call twice or once) is not the C library's doing.
            # A NaN counts as NaN, as in the pinned results: its sign and payload are the machine's (x86-64
            # makes the sign bit of a new NaN 1, aarch64 0: tan(inf) differs in no other way).
            pairs = sorted({(_bytes(c.x, c.y) if name in BINARY else _bytes(c.x)): _bytes(c.result) for c in made}.items())
            asked, answered = b"".join(a for a, _ in pairs), b"".join(r for _, r in pairs)
            answers[call][name] = (f"{len(pairs)} {hashlib.sha256(asked).hexdigest()[:16]} "
                                   f"{hashlib.sha256(answered).hexdigest()[:16]}")
    return answers


if __name__ == "__main__":
    print(json.dumps(_trace_in_this_process(sys.argv[1], json.loads(sys.stdin.read()))))
