"""Many threads calling the module at once see what sequential calls see."""

import copy
import math
import threading

import vexari
from hostile import drawn_calls, parameter_kinds


def shifted(c):
    return lambda x: x * x - c


def nested(c):
    # A callback that runs a module function of its own on every evaluation.
    return lambda x: x - vexari.newton(shifted(c), 1.0)["root"]


def failing(k):
    def f(x):
        raise LookupError(k)

    return f


def work(k):
    if k % 4 == 3:  # exceptions stay with their thread
        try:
            vexari.newton(failing(k), 0.0)
        except LookupError as error:
            return error.args
    return [vexari.newton(shifted(2.0 + k), 1.0), vexari.newton(nested(2.0 + k), 0.0, max_iter=5),
            vexari.newton(math.sin, 3.0 + k / 100)]


def test_threads_agree_with_sequential_calls():
    tasks = list(range(24))
    expected, results = [work(k) for k in tasks], [None] * len(tasks)
    barrier = threading.Barrier(8)

    def run(offset):
        barrier.wait()
        for _ in range(5):
            for k in tasks[offset::8]:
                results[k] = work(k)

    threads = [threading.Thread(target=run, args=(i,)) for i in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == expected and results[7] == (7,)


CASES = [(name, call) for name in sorted(parameter_kinds()) for call in drawn_calls(name, 3)]


def outcome(name, call):
    args, kwargs = copy.deepcopy(call)  # hostile arguments and callbacks keep state
    try:
        return repr(getattr(vexari, name)(*args, **kwargs))
    except BaseException as error:
        return type(error).__name__, str(error)


def test_every_function_from_many_threads():
    expected = [outcome(name, call) for name, call in CASES]
    seen = {}

    def run(shift):
        order = list(range(len(CASES)))
        order = order[shift:] + order[:shift]
        seen[shift] = sorted((i, outcome(*CASES[i])) for i in order)

    threads = [threading.Thread(target=run, args=(s * 37,)) for s in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert all(result == list(enumerate(expected)) for result in seen.values()) and len(seen) == 4
