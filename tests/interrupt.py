"""A stand-in for Ctrl-C that arrives while a long call is running."""

import contextlib
import signal


class Alarm(Exception):
    pass


@contextlib.contextmanager
def alarm_after(seconds):
    def ring(signum, frame):
        raise Alarm

    previous = signal.signal(signal.SIGALRM, ring)
    try:
        signal.setitimer(signal.ITIMER_REAL, seconds)
        yield
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
