"""Every function, called with arbitrary and hostile arguments and callables,
returns a well-formed result or raises one of the errors it may raise; it
never panics, never crashes and never runs away.

VEXARI_FUZZ_EXAMPLES sets the number of calls per function (the longer run of
`./dev fuzz`)."""

import os

import pytest
from hypothesis import HealthCheck, given, settings

import vexari
from hostile import calls, parameter_kinds, run_checked

KINDS = parameter_kinds()
EXAMPLES = int(os.environ.get("VEXARI_FUZZ_EXAMPLES", "60"))


def test_every_function_is_fuzzed():
    assert sorted(KINDS) == sorted(vexari.__all__[1:])


@pytest.mark.parametrize("name", sorted(KINDS))
def test_calls_end_well(name):
    function = getattr(vexari, name)

    @settings(max_examples=EXAMPLES, deadline=None, database=None,
              suppress_health_check=list(HealthCheck))
    @given(calls(name, KINDS[name]))
    def check(call):
        args, kwargs = call
        run_checked(function, args, kwargs)

    check()
