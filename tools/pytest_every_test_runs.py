"""A pytest plugin for runs where every selected test must run: a skip fails.

./dev test-cross leaves out by name the tests whose tools the emulated
machine lacks; any other skip there would hide a test that quietly stopped
running, so it is reported as a failure instead.
"""

import pytest


def _failed(report):
    reason = report.longrepr[2] if isinstance(report.longrepr, tuple) else str(report.longrepr)
    report.outcome = "failed"
    report.longrepr = f"skipped where every test must run: {reason}"


@pytest.hookimpl(hookwrapper=True)
def pytest_make_collect_report(collector):
    """A module that skips itself as it is collected (pytest.importorskip) skips all its tests."""
    outcome = yield
    report = outcome.get_result()
    if report.skipped:
        _failed(report)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.skipped and not hasattr(report, "wasxfail"):
        _failed(report)
