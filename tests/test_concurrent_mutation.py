"""Lists mutated by one thread while others read them.

The writer only ever moves its lists between a few known states, one atomic
list operation at a time, and it walks through every combination of them. So
whatever a reader gets back must be the outcome for one of those states; a
torn read, a stale length or a freed item would show up as anything else, as
an exception other than TypeError or ValueError, or as a crash."""

import contextlib
import itertools
import math
import sys
import threading

import pytest

import vexari
from conftest import LIST_READERS

BASE_A = [10 * math.sin(i) for i in range(64)]
BASE_B = [float(i) + 0.5 * math.cos(i) for i in range(64)]
# What the writer puts into item 1: floats, an int, and items no Vector accepts.
ITEMS = [None, 7.25, 7, "x", -3.5]
EXTRA = 2.5

VECTOR_READERS = {
    **LIST_READERS,
    # b is the increasing one here.
    "linear_interpolate": lambda a, b: vexari.linear_interpolate(b, a, 20.0),
    "polynomial_regression": lambda a, b: vexari.polynomial_regression(b, a, 2),
}

MATRIX_ROWS = [[4.0, 1.0, 0.0], [1.0, 3.0, 1.0], [0.0, 1.0, 5.0]]
MATRIX_ITEMS = [1.0, None, 5, 2.5]
SHORT_ROW = [0.0, 1.0]
EXTRA_ROW = [1.0, 1.0, 1.0]
RIGHT = [1.0, 2.0, 3.0]

MATRIX_READERS = {
    "mat_vec": lambda m, v: vexari.mat_vec(m, v),
    "solve": lambda m, v: vexari.solve(m, v),
}


def outcome(reader, *args):
    try:
        return "ok", repr(reader(*args))
    except (TypeError, ValueError) as error:
        return type(error).__name__, str(error)


def vector_state(base, item, appended):
    state = list(base)
    state[1] = item
    return state + [EXTRA] if appended else state


def vector_states(base):
    return [vector_state(base, item, appended) for item in ITEMS for appended in (False, True)]


def walk_vector(values):
    # Every (item, appended) pair is a state the list really passes through.
    for item in ITEMS:
        values[1] = item
        values.append(EXTRA)
        values.pop()


def matrix_state(item, short, appended):
    rows = [list(row) for row in MATRIX_ROWS]
    rows[0][1] = item
    if short:
        rows[2] = list(SHORT_ROW)
    return rows + [list(EXTRA_ROW)] if appended else rows


def walk_matrix(matrix):
    full_row = matrix[2]
    for item in MATRIX_ITEMS:
        matrix[0][1] = item  # an item inside a row
        for row in (SHORT_ROW, full_row):
            matrix[2] = row  # a row replaced by a shorter one and back
            matrix.append(EXTRA_ROW)
            matrix.pop()


@contextlib.contextmanager
def frequent_switches():
    # With the GIL, threads must switch often for the readers to meet the writer mid-walk.
    previous = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        yield
    finally:
        sys.setswitchinterval(previous)


def race(readers, arguments, walk, rounds, reader_threads=3):
    """Runs every reader `rounds` times in each reader thread while `walk`
    mutates the arguments; returns each reader's outcomes and any unexpected errors.
    Every reader reads once before the writer starts and goes on until the writer
    has finished two walks, so the readers surely meet more than one state."""
    seen = {name: set() for name in readers}
    unexpected = []
    done = threading.Event()
    walks = [0]
    started = threading.Barrier(reader_threads + 1)

    def read_all():
        for name, reader in readers.items():
            seen[name].add(outcome(reader, *arguments))

    def read():
        try:
            read_all()
            started.wait()
            count = 0
            while count < rounds or walks[0] < 2:
                read_all()
                count += 1
        except BaseException as error:  # anything but TypeError and ValueError fails the test
            unexpected.append(repr(error))
            started.abort()  # the others must not wait for this one

    def write():
        try:
            started.wait()
        except threading.BrokenBarrierError:
            return
        while not done.is_set():
            walk()
            walks[0] += 1

    writer = threading.Thread(target=write)
    threads = [threading.Thread(target=read) for _ in range(reader_threads)]
    with frequent_switches():
        writer.start()
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        done.set()
        writer.join()
    return seen, unexpected


def test_vector_readers_see_only_states_the_lists_had():
    a, b = list(BASE_A), list(BASE_B)
    a[1] = b[1] = ITEMS[0]

    def walk():
        walk_vector(a)
        walk_vector(b)

    seen, unexpected = race(VECTOR_READERS, (a, b), walk, rounds=200)
    assert unexpected == []
    pairs = list(itertools.product(vector_states(BASE_A), vector_states(BASE_B)))
    for name, reader in VECTOR_READERS.items():
        allowed = {outcome(reader, sa, sb) for sa, sb in pairs}
        assert seen[name] <= allowed, (name, seen[name] - allowed)
    # The writer did meet the readers: some reader saw more than one state.
    assert sum(len(outcomes) for outcomes in seen.values()) > len(VECTOR_READERS)


def test_matrix_readers_see_only_states_the_matrix_had():
    matrix = [list(row) for row in MATRIX_ROWS]
    seen, unexpected = race(MATRIX_READERS, (matrix, RIGHT), lambda: walk_matrix(matrix), rounds=3000)
    assert unexpected == []
    for name, reader in MATRIX_READERS.items():
        allowed = {outcome(reader, matrix_state(item, short, appended), RIGHT)
                   for item in MATRIX_ITEMS for short in (False, True) for appended in (False, True)}
        assert seen[name] <= allowed, (name, seen[name] - allowed)
        assert len(seen[name]) > 1, name


@pytest.mark.parametrize("name", ["variance", "dot", "normalize"])
def test_a_list_shrinking_to_nothing_mid_read(name):
    # pop and clear race the read of a long list; an emptied list is a state too.
    reader = VECTOR_READERS[name]
    a, b = [1.0] * 2000, [1.0] * 2000

    def walk():
        a.clear()
        b.clear()
        a.extend([1.0] * 2000)
        b.extend([1.0] * 2000)
        del a[1000:]
        del b[1000:]
        a.extend([1.0] * 1000)
        b.extend([1.0] * 1000)

    seen, unexpected = race({name: reader}, (a, b), walk, rounds=400)
    assert unexpected == []
    sizes = [0, 1000, 2000]
    allowed = {outcome(reader, [1.0] * m, [1.0] * n) for m in sizes for n in sizes}
    assert seen[name] <= allowed, seen[name] - allowed
