"""Keyword arguments against the same arguments given by position.

Each case makes one short call twice, once positionally (the reference) and
once with some or all arguments by keyword, written as a Python caller would
write them, so the keyword names are the compiler's own interned strings. The
inputs are small, so the call's fixed cost (matching the arguments, the
interpreter's route for a call with keywords) is most of the time; the ratio
is what a keyword adds to a call.

Python 3.13 sends every call with keywords down its generic call route (only
calls by position get the interpreter's fast route for builtins), so part of
what a keyword costs is the interpreter's, whoever matches it. Each case
therefore also calls the floor's `accept`, a C function that takes the same
arguments the same two ways and does nothing: the difference between its two
calls is the interpreter's share, which the target leaves out. The last case
times a builtin of the interpreter the same two ways, for comparison.
"""

from __future__ import annotations

from harness import Case, Context, Contender

POSITIONAL = "vexari positional"
KEYWORD = "vexari keyword"
# A C function that takes the same arguments the same two ways and does nothing: what the
# interpreter's route costs, which no matcher can take back.
INTERPRETER_POSITIONAL = "interpreter positional"
INTERPRETER_KEYWORD = "interpreter keyword"


def cases(ctx: Context) -> list[Case]:
    vx = ctx.vx
    coefficients = [0.5, -1.0, 0.25, 2.0]
    values = [1.0, 2.0, 4.0, 8.0, 16.0, 32.0, 64.0, 128.0]
    accept = ctx.fl.accept
    calls = [
        ("tanpi(x=0.3)", "tanpi", lambda: vx.tanpi(0.3), lambda: vx.tanpi(x=0.3),
         lambda: accept(0.3), lambda: accept(x=0.3)),
        ("polyval(coefficients=..., x=...), 4 coefficients", "polyval",
         lambda: vx.polyval(coefficients, 0.7), lambda: vx.polyval(coefficients=coefficients, x=0.7),
         lambda: accept(coefficients, 0.7), lambda: accept(coefficients=coefficients, x=0.7)),
        ("linspace(0.0, 1.0, count=3)", "linspace",
         lambda: vx.linspace(0.0, 1.0, 3), lambda: vx.linspace(0.0, 1.0, count=3),
         lambda: accept(0.0, 1.0, 3), lambda: accept(0.0, 1.0, count=3)),
        ("variance(..., sample=True), 8 values", "variance",
         lambda: vx.variance(values, True), lambda: vx.variance(values, sample=True),
         lambda: accept(values, True), lambda: accept(values, sample=True)),
    ]
    out = []
    for label, function, positional, keyword, bare_positional, bare_keyword in calls:
        def setup(positional=positional, keyword=keyword, bare_positional=bare_positional,
                  bare_keyword=bare_keyword):
            return [Contender(POSITIONAL, positional), Contender(KEYWORD, keyword),
                    Contender(INTERPRETER_POSITIONAL, bare_positional, canon=lambda result: None),
                    Contender(INTERPRETER_KEYWORD, bare_keyword, canon=lambda result: None)]

        out.append(Case("keywords", label, (function,), setup, reference=POSITIONAL, compare_to=POSITIONAL))

    def builtin_setup():
        return [Contender("builtin positional", lambda: pow(3, 2, 5)),
                Contender("builtin keyword", lambda: pow(3, 2, mod=5))]

    out.append(Case("keywords", "pow(3, 2, mod=5), the interpreter's own, for comparison", (), builtin_setup,
                    reference="builtin positional", compare_to="builtin positional"))
    return out
