"""What the type stub declares of each function, read with ast.

The stub is where the functions, their order, parameters, defaults and
parameter types are written down once; the tables of the tests are derived
from it here rather than kept as copies that a new function could miss.
"""

import ast
import pathlib

STUB = pathlib.Path(__file__).resolve().parent.parent / "vexari-stubs" / "__init__.pyi"
SOURCE = STUB.read_text()
TREE = ast.parse(SOURCE)
FUNCTIONS = {node.name: node for node in TREE.body if isinstance(node, ast.FunctionDef)}
ALIASES = {node.name.id: ast.unparse(node.value) for node in TREE.body if isinstance(node, ast.TypeAlias)}


def parameters(name):
    """[(parameter, annotation, default as the stub writes it, or None)] of a function, in order."""
    arguments = FUNCTIONS[name].args
    declared = arguments.args
    defaults = [None] * (len(declared) - len(arguments.defaults)) + arguments.defaults
    return [(a.arg, ast.unparse(a.annotation), None if d is None else ast.get_source_segment(SOURCE, d))
            for a, d in zip(declared, defaults)]


def text_signature(name):
    """The parameter list as the module's __text_signature__ gives it."""
    return "(" + ", ".join(p if d is None else f"{p}={d}" for p, _, d in parameters(name)) + ")"


def types(name):
    return {annotation for _, annotation, _ in parameters(name)}


# The parameter types that are Python callables the module calls back.
CALLABLE_TYPES = {alias for alias, value in ALIASES.items() if value.startswith("Callable[")}
CALLS_BACK = [name for name in FUNCTIONS if types(name) & CALLABLE_TYPES]

# Functions that only read lists: at least one Vector and otherwise plain values. With no callable
# among the parameters none of the caller's code runs while the lists are read, so nothing can
# keep or change them mid-call; with no Matrix or Pair every list is one vector of numbers.
PLAIN_TYPES = {"Real", "Count", "bool", "str"}
READS_LISTS = [name for name in FUNCTIONS if "Vector" in types(name) and types(name) <= PLAIN_TYPES | {"Vector"}]
