"""The shipped type stubs against the module: exports, result shapes, and what a strict type checker
accepts and refuses."""

import ast
import importlib.util
import json
import math
import subprocess
import sys
import sysconfig
import tarfile
from pathlib import Path

import pytest

import test_bits
import vexari
from stub_facts import FUNCTIONS, STUB, TREE

ROOT = Path(__file__).resolve().parent.parent
CASES = Path(__file__).resolve().parent / "typecheck"
TYPED_DICTS = {node.name: [(item.target.id, ast.unparse(item.annotation)) for item in node.body
                           if isinstance(item, ast.AnnAssign)]
               for node in TREE.body if isinstance(node, ast.ClassDef) and "TypedDict" in map(ast.unparse, node.bases)}


def run(*args, **kwargs):
    return subprocess.run([sys.executable, *args], capture_output=True, text=True, **kwargs)


def test_stub_exports_and_installation():
    [exported] = [node.value for node in TREE.body
                  if isinstance(node, ast.Assign) and ast.unparse(node.targets[0]) == "__all__"]
    assert ast.literal_eval(exported) == vexari.__all__ == ["__version__", *FUNCTIONS]
    installed = Path(sysconfig.get_paths()["purelib"]) / "vexari-stubs" / "__init__.pyi"
    assert Path(vexari.__file__).parent == installed.parent.parent
    assert installed.read_text() == STUB.read_text(), "the installed stubs are stale: reinstall"


def test_source_distribution_carries_the_stubs_and_nothing_of_the_checkout(tmp_path):
    build = run("-c", "import sys; from scikit_build_core.build import build_sdist; print(build_sdist(sys.argv[1]))",
                str(tmp_path), cwd=ROOT)
    assert build.returncode == 0, build.stderr
    with tarfile.open(tmp_path / build.stdout.split()[-1]) as archive:
        names = [name.split("/", 1)[1] for name in archive.getnames() if "/" in name]
    assert {"vexari-stubs/__init__.pyi", "CMakeLists.txt"} <= set(names)
    assert not [name for name in names if name.startswith((".venv", "build/"))]


def test_stubtest(tmp_path):
    stubtest = run("-m", "mypy.stubtest", "vexari", "--allowlist", str(CASES / "stubtest-allowlist.txt"), cwd=tmp_path)
    assert stubtest.returncode == 0, stubtest.stdout + stubtest.stderr


# Lists that are empty for every input, as their docstrings say; every other list has items for some input.
ALWAYS_EMPTY = {"stationary_newton['history']"}


def filled(value, where):
    """Whether every list and tuple within `value` has items, so that every shape below them is seen."""
    if type(value) is dict:
        return all(filled(item, f"{where}[{key!r}]") for key, item in value.items())
    if type(value) in (list, tuple):
        return (bool(value) or where in ALWAYS_EMPTY) and all(filled(item, f"{where}[{index}]")
                                                                for index, item in enumerate(value))
    return True


def sample(name):
    """The result of the first pinned call of `name` whose lists all have items, or None."""
    for call in test_bits.CALLS:
        if call.startswith(name + "("):
            test_bits.LOG.clear()  # some pinned callables answer by the number of calls so far
            try:
                value = eval(call, test_bits.NAMESPACE)
            except Exception:
                continue
            if filled(value, name):
                return value
    return None


def check_shape(value, annotation, where):
    """Assert that `value` has exactly the type that the stub's `annotation` names."""
    if annotation in TYPED_DICTS:
        assert type(value) is dict and list(value) == [key for key, _ in TYPED_DICTS[annotation]], where
        for key, inner in TYPED_DICTS[annotation]:
            check_shape(value[key], inner, f"{where}[{key!r}]")
    elif annotation.startswith(("list[", "tuple[")):
        is_list = annotation.startswith("list")
        items = [part.strip() for part in annotation[annotation.index("[") + 1:-1].split(",")]
        assert type(value) is (list if is_list else tuple), where
        if where in ALWAYS_EMPTY:
            assert value == [], where
        elif not is_list:
            assert len(value) == len(items), where
        for index, item in enumerate(value):
            check_shape(item, items[0] if is_list else items[index], f"{where}[{index}]")
    else:
        assert type(value) is {"float": float, "int": int, "bool": bool}[annotation], f"{where}: {value!r}"


@pytest.mark.parametrize("name", FUNCTIONS)
def test_result_matches_the_stub(name):
    value = sample(name)
    assert value is not None, f"no pinned call of {name} has items in every list: add one to data/pinned_calls.txt"
    check_shape(value, ast.unparse(FUNCTIONS[name].returns), name)


# Examples and cases that need a package some test environments lack (the free-threaded venv has no
# Dask and no polars): without it, the checkers see none of its types, and the file is not checked there.
OPTIONAL_PACKAGE = {"dask_sweep.py": "distributed", "data_libraries.py": "polars"}
UNCHECKABLE = {name for name, package in OPTIONAL_PACKAGE.items() if importlib.util.find_spec(package) is None}


@pytest.fixture(scope="module")
def mypy_report(tmp_path_factory):
    """One strict mypy run over the examples and the typing cases, as {file name: [error lines]}."""
    files = [f for f in [*sorted((ROOT / "examples").glob("*.py")), *sorted(CASES.glob("*.py"))] if f.name not in UNCHECKABLE]
    cache = tmp_path_factory.mktemp("mypy-cache")
    mypy = run("-m", "mypy", "--strict", "--cache-dir", str(cache), "--no-error-summary", *map(str, files),
               cwd=tmp_path_factory.mktemp("mypy-cwd"))
    assert mypy.returncode in (0, 1), mypy.stdout + mypy.stderr
    report = {f.name: [] for f in files}
    for line in mypy.stdout.splitlines():
        report.setdefault(Path(line.split(":", 1)[0]).name, []).append(line)
    return report


@pytest.mark.parametrize("name", sorted(p.name for p in [*(ROOT / "examples").glob("*.py"), *CASES.glob("*.py")]))
def test_examples_and_typing_cases_type_check_strictly(mypy_report, name):
    # refused.py marks each call with the ignore comment of its error: a stub that is too loose
    # shows up as an unused ignore.
    if name in UNCHECKABLE:
        pytest.skip(f"{OPTIONAL_PACKAGE[name]} is not installed")
    assert mypy_report[name] == []


def bare_calls(file_name):
    """The plain vexari calls of a typing case, as source texts."""
    source = (CASES / file_name).read_text()
    return [ast.get_source_segment(source, node) for node in ast.parse(source).body if isinstance(node, ast.Expr)
            and isinstance(node.value, ast.Call) and ast.unparse(node.value.func).startswith("vexari.")]


NAMES = {"vexari": vexari, "math": math, "np": pytest.importorskip("numpy"), "parabola": lambda x: x * x - 2.0, "residuals": lambda p: (p[0] - 1.0, p[1])}


@pytest.mark.parametrize("statement", bare_calls("accepted.py"))
def test_calls_the_type_checker_accepts_run(statement):
    exec(statement, dict(NAMES))


@pytest.mark.parametrize("statement", bare_calls("refused.py"))
def test_calls_the_type_checker_refuses_fail_at_run_time(statement):
    with pytest.raises((TypeError, ValueError)):
        exec(statement, dict(NAMES))


def marked_lines(file_name):
    return {number for number, line in enumerate((CASES / file_name).read_text().splitlines(), 1)
            if "# type: ignore" in line}


@pytest.fixture(scope="module")
def pyright_report(tmp_path_factory):
    """One strict pyright run over the typing cases, ignore comments disabled, as {file name: {error lines}}."""
    pytest.importorskip("pyright")
    folder = tmp_path_factory.mktemp("pyright")
    config = folder / "pyrightconfig.json"
    config.write_text(json.dumps({"typeCheckingMode": "strict", "enableTypeIgnoreComments": False}))
    checked = run("-m", "pyright", "--project", str(config), "--pythonpath", sys.executable, "--outputjson",
                  *[str(f) for f in sorted(CASES.glob("*.py")) if f.name not in UNCHECKABLE], cwd=folder)
    assert checked.returncode in (0, 1), checked.stdout + checked.stderr
    report = {path.name: set() for path in CASES.glob("*.py")}
    for diagnostic in json.loads(checked.stdout)["generalDiagnostics"]:
        if diagnostic["severity"] == "error":
            report[Path(diagnostic["file"]).name].add(diagnostic["range"]["start"]["line"] + 1)
    return report


@pytest.mark.parametrize("name", sorted(p.name for p in CASES.glob("*.py")))
def test_pyright_errors_exactly_on_the_marked_lines(pyright_report, name):
    if name in UNCHECKABLE:
        pytest.skip(f"{OPTIONAL_PACKAGE[name]} is not installed")
    # With ignore comments disabled, refused.py must err on each marked line and nowhere else;
    # the other cases carry no marks, so they must be clean.
    assert sorted(pyright_report[name]) == sorted(marked_lines(name))


@pytest.mark.parametrize("name, printed", [("user_script.py", "first zero 0.785398163397"),
                                           ("data_libraries.py", "3.75 2.0 66.66666666666666 0.0 3.0 2.0 1.0")],
                         ids=["user_script", "data_libraries"])
def test_user_scripts_run(capsys, name, printed):
    pytest.importorskip("numpy")
    if name in UNCHECKABLE:
        pytest.skip(f"{OPTIONAL_PACKAGE[name]} is not installed")
    namespace = {"__name__": "__main__"}
    exec(compile((CASES / name).read_text(), name, "exec"), namespace)
    assert printed in capsys.readouterr().out
