"""Many threads calling the module at once see what sequential calls see."""

import math
import threading

import vexari


def shifted(c):
    def f(x):
        return x * x - c

    return f


def nested(c):
    # A callback that runs a module function of its own on every evaluation.
    def f(x):
        inner = vexari.newton(shifted(c), 1.0)["root"]
        return x - inner

    return f


def work(k):
    c = 2.0 + k
    return [
        vexari.newton(shifted(c), 1.0),
        vexari.newton(nested(c), 0.0, max_iter=5),
        vexari.newton(math.sin, 3.0 + k / 100),
    ]


def test_threads_agree_with_sequential_calls():
    tasks = list(range(24))
    expected = [work(k) for k in tasks]
    results = [None] * len(tasks)
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
    assert results == expected


def test_exceptions_stay_with_their_thread():
    outcomes = {}

    def run(i):
        def f(x):
            if i % 2:
                raise LookupError(i)
            return x - i

        try:
            outcomes[i] = vexari.newton(f, 0.0)["root"]
        except LookupError as error:
            outcomes[i] = error.args

    threads = [threading.Thread(target=run, args=(i,)) for i in range(16)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert outcomes == {i: ((i,) if i % 2 else float(i)) for i in range(16)}
