"""The shipped type stubs against the module: signatures, exports, result shapes,
and what a strict type checker accepts and refuses."""

import ast
import math
import subprocess
import sys
import sysconfig
import tarfile
from pathlib import Path

import pytest

import vexari

ROOT = Path(__file__).resolve().parent.parent
STUB = ROOT / "vexari-stubs" / "__init__.pyi"
TYPECHECK_CASES = Path(__file__).resolve().parent / "typecheck"

STUB_TREE = ast.parse(STUB.read_text())


def stub_all():
    for node in STUB_TREE.body:
        if isinstance(node, ast.Assign) and any(getattr(t, "id", None) == "__all__" for t in node.targets):
            return [ast.literal_eval(element) for element in node.value.elts]
    raise AssertionError("the stub has no __all__")


def stub_functions():
    return {node.name: node for node in STUB_TREE.body if isinstance(node, ast.FunctionDef)}


def stub_typed_dicts():
    """Each TypedDict of the stub as {name: [(key, annotation), ...]} in key order."""
    shapes = {}
    for node in STUB_TREE.body:
        if isinstance(node, ast.ClassDef) and any(getattr(b, "id", None) == "TypedDict" for b in node.bases):
            shapes[node.name] = [
                (item.target.id, ast.unparse(item.annotation)) for item in node.body if isinstance(item, ast.AnnAssign)
            ]
    return shapes


TYPED_DICTS = stub_typed_dicts()
FUNCTIONS = stub_functions()
MISSING = [name for name in stub_all() if not hasattr(vexari, name)]


def test_stub_is_installed_beside_the_module():
    installed = Path(sysconfig.get_paths()["purelib"]) / "vexari-stubs" / "__init__.pyi"
    assert Path(vexari.__file__).parent == installed.parent.parent
    assert installed.read_text() == STUB.read_text(), "the installed stubs are stale: reinstall"


def test_source_distribution_carries_the_stubs_and_nothing_of_the_checkout(tmp_path):
    build = "import sys; from scikit_build_core.build import build_sdist; print(build_sdist(sys.argv[1]))"
    run = subprocess.run([sys.executable, "-c", build, str(tmp_path)], capture_output=True, text=True, cwd=ROOT)
    assert run.returncode == 0, run.stderr
    with tarfile.open(tmp_path / run.stdout.split()[-1]) as archive:
        names = [name.split("/", 1)[1] for name in archive.getnames() if "/" in name]
    assert "vexari-stubs/__init__.pyi" in names
    assert "CMakeLists.txt" in names
    assert not [name for name in names if name.startswith((".venv", "build/"))]


def test_stub_exports_every_function_once_in_registration_order():
    names = stub_all()
    assert names[0] == "__version__"
    assert len(names) == 56 and len(set(names)) == 56
    assert sorted(names[1:]) == sorted(FUNCTIONS)
    # What the module registers so far appears in the stub's order.
    assert [name for name in names if name not in MISSING] == vexari.__all__


def test_stubtest(tmp_path):
    # Functions still being built are allowed to be missing; each one that lands
    # is checked from then on without any change here.
    allowlist = tmp_path / "stubtest-allowlist.txt"
    entries = [f"vexari.{name}" for name in MISSING] + (["vexari.__all__"] if MISSING else [])
    allowlist.write_text("".join(entry + "\n" for entry in entries))
    run = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "vexari", "--allowlist", str(allowlist)],
        capture_output=True,
        text=True,
        cwd=tmp_path,
    )
    assert run.returncode == 0, run.stdout + run.stderr


def square_minus_two(x):
    return x * x - 2.0


# One successful call per function, chosen so that every list in the result is
# non-empty and the shape check below sees its items.
SAMPLE_CALLS = {
    "tangent": lambda: vexari.tangent(lambda x: x * x, 3.0),
    "gradient": lambda: vexari.gradient(lambda v: v[0] ** 2 + 3 * v[1], [1.0, 2.0]),
    "newton": lambda: vexari.newton(square_minus_two, 1.0),
    "halley": lambda: vexari.halley(square_minus_two, 1.0),
    "householder": lambda: vexari.householder(square_minus_two, 1.0, order=2),
    "dot": lambda: vexari.dot([1.0, 2.0], [3.0, 4.0]),
    "norm": lambda: vexari.norm([3.0, 4.0]),
    "add": lambda: vexari.add([1.0], [2.0]),
    "sub": lambda: vexari.sub([1.0], [2.0]),
    "scale": lambda: vexari.scale([1.0, 2.0], 2.0),
    "mat_vec": lambda: vexari.mat_vec([[1.0, 2.0]], [1.0, 1.0]),
    "solve": lambda: vexari.solve([[2.0]], [4.0]),
    "gradient_descent": lambda: vexari.gradient_descent(lambda v: (v[0] - 1.0) ** 2, [0.0], max_iter=3),
    "tangent_minimize": lambda: vexari.tangent_minimize(lambda x: (x - 1.0) ** 2, 0.0, max_iter=3),
    "stationary_newton": lambda: vexari.stationary_newton(lambda x: (x - 1.0) ** 2, 0.0),
    "gauss_newton": lambda: vexari.gauss_newton(lambda p: [p[0] - 1.0, p[1] - 2.0], [0.0, 0.0]),
    "euler": lambda: vexari.euler(lambda t, y: y, 1.0, 0.0, 1.0, 0.5),
    "midpoint": lambda: vexari.midpoint(lambda t, y: y, 1.0, 0.0, 1.0, 0.5),
    "rk4": lambda: vexari.rk4(lambda t, y: y, 1.0, 0.0, 1.0, 0.5),
    "adaptive_rk4": lambda: vexari.adaptive_rk4(lambda t, y: 0.0, 1.0, 0.0, 1.0, 0.1),
    "tanh_sinh": lambda: vexari.tanh_sinh(lambda x: x * x, 0.0, 1.0),
    "tan_sinh": lambda: vexari.tan_sinh(lambda x: math.exp(-x)),
    "quad_inf": lambda: vexari.quad_inf(lambda x: 1.0 / (1.0 + x * x)),
    "tanpi": lambda: vexari.tanpi(0.25),
    "tanint": lambda: vexari.tanint(1.0),
    "atanint": lambda: vexari.atanint(1.0),
    "complex_tan": lambda: vexari.complex_tan(1.0, 1.0),
    "tan_deg": lambda: vexari.tan_deg(45.0),
    "tan_grad": lambda: vexari.tan_grad(50.0),
    "tangent_lines": lambda: vexari.tangent_lines(lambda x: x * x, -1.0, 1.0, [0.5]),
    "newton_animation_data": lambda: vexari.newton_animation_data(square_minus_two, 1.0),
    "ode_direction_field": lambda: vexari.ode_direction_field(lambda x, y: x + y, (0.0, 1.0), (0.0, 2.0), 2, 3),
    "mean": lambda: vexari.mean([1.0, 2.0]),
    "variance": lambda: vexari.variance([1.0, 2.0, 3.0, 4.0]),
    "summary": lambda: vexari.summary([3.0, 1.0]),
    "covariance": lambda: vexari.covariance([1.0, 2.0], [1.0, 3.0]),
    "correlation": lambda: vexari.correlation([1.0, 2.0, 3.0], [3.0, 2.0, 1.0]),
    "linear_regression": lambda: vexari.linear_regression([1.0, 2.0, 3.0], [2.0, 4.0, 6.0]),
    "polynomial_regression": lambda: vexari.polynomial_regression([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 2),
    "linspace": lambda: vexari.linspace(0.0, 1.0, 5),
    "sample_grid": lambda: vexari.sample_grid(lambda x: x * x, 0.0, 2.0, 3),
    "linear_interpolate": lambda: vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], 1.5),
    "lagrange_interpolate": lambda: vexari.lagrange_interpolate([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 3.0),
    "finite_difference": lambda: vexari.finite_difference([0.0, 1.0, 4.0, 9.0], 1.0),
    "polyval": lambda: vexari.polyval([1.0, 2.0, 3.0], 2.0),
    "polyder": lambda: vexari.polyder([1.0, 2.0, 3.0]),
    "polyint": lambda: vexari.polyint([2.0, 6.0], 1.0),
    "polyadd": lambda: vexari.polyadd([1.0, 2.0], [1.0, -2.0]),
    "polymul": lambda: vexari.polymul([1.0, 1.0], [1.0, 1.0]),
    "polyroot": lambda: vexari.polyroot([-2.0, 0.0, 1.0], 1.0),
    "moving_average": lambda: vexari.moving_average([1.0, 2.0, 3.0, 4.0], 2),
    "exponential_smooth": lambda: vexari.exponential_smooth([1.0, 2.0, 3.0], 0.5),
    "convolve": lambda: vexari.convolve([1.0, 2.0, 3.0], [0.0, 1.0, 0.5]),
    "normalize": lambda: vexari.normalize([1.0, 2.0, 3.0]),
    "find_peaks": lambda: vexari.find_peaks([0.0, 2.0, 1.0, 3.0, 0.0], 1.5),
}


def test_every_stub_function_has_a_sample_call():
    assert set(SAMPLE_CALLS) == set(FUNCTIONS)


# Lists that are empty by definition, so their items cannot be checked.
ALWAYS_EMPTY = {"stationary_newton['history']"}


def check_shape(value, annotation, where):
    """Assert that `value` has the type that the stub's `annotation` names, exactly."""
    if annotation in TYPED_DICTS:
        assert type(value) is dict, where
        keys = TYPED_DICTS[annotation]
        assert list(value) == [key for key, _ in keys], f"{where}: keys or their order differ from {annotation}"
        for key, key_annotation in keys:
            check_shape(value[key], key_annotation, f"{where}[{key!r}]")
    elif annotation.startswith("list["):
        assert type(value) is list, where
        if where in ALWAYS_EMPTY:
            assert value == [], where
            return
        assert value, f"{where}: pick a sample call whose result has items"
        for index, item in enumerate(value):
            check_shape(item, annotation[5:-1], f"{where}[{index}]")
    elif annotation.startswith("tuple["):
        items = [part.strip() for part in annotation[6:-1].split(",")]
        assert type(value) is tuple and len(value) == len(items), where
        for index, (item, item_annotation) in enumerate(zip(value, items)):
            check_shape(item, item_annotation, f"{where}[{index}]")
    else:
        expected = {"float": float, "int": int, "bool": bool}[annotation]
        assert type(value) is expected, f"{where}: {type(value).__name__} is not {annotation}"


@pytest.mark.parametrize("name", sorted(SAMPLE_CALLS))
def test_result_matches_the_stub(name):
    if name in MISSING:
        pytest.skip(f"{name} is not built yet")
    returns = ast.unparse(FUNCTIONS[name].returns)
    result = SAMPLE_CALLS[name]()
    check_shape(result, returns, name)


@pytest.fixture(scope="module")
def mypy_report(tmp_path_factory):
    """One strict mypy run over the examples and the typing cases, as {file: [error lines]}."""
    files = sorted((ROOT / "examples").glob("*.py")) + sorted(TYPECHECK_CASES.glob("*.py"))
    cache = tmp_path_factory.mktemp("mypy-cache")
    run = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(cache), "--no-error-summary"]
        + [str(f) for f in files],
        capture_output=True,
        text=True,
        cwd=tmp_path_factory.mktemp("mypy-cwd"),
    )
    report = {f.name: [] for f in files}
    for line in run.stdout.splitlines():
        path = line.split(":", 1)[0]
        report.setdefault(Path(path).name, []).append(line)
    assert run.returncode in (0, 1), run.stdout + run.stderr
    return report


@pytest.mark.parametrize("name", sorted(p.name for p in (ROOT / "examples").glob("*.py")))
def test_examples_type_check_strictly(mypy_report, name):
    assert mypy_report[name] == []


@pytest.mark.parametrize("name", ["accepted.py", "refused.py"])
def test_type_checker_agrees_with_the_runtime(mypy_report, name):
    # accepted.py holds calls the module takes; refused.py calls it refuses, each
    # marked with the ignore comment of its error, so a stub that is too loose
    # shows up as an unused ignore.
    assert mypy_report[name] == []


def bare_calls(file_name):
    """The statements of a typing case that are plain vexari calls, as (line, function name, source)."""
    source = (TYPECHECK_CASES / file_name).read_text()
    calls = []
    for node in ast.parse(source).body:
        if isinstance(node, ast.Expr) and isinstance(node.value, ast.Call):
            function = node.value.func
            if isinstance(function, ast.Attribute) and getattr(function.value, "id", None) == "vexari":
                calls.append((node.lineno, function.attr, ast.get_source_segment(source, node)))
    return calls


def run_case(name, statement):
    if name in MISSING:
        pytest.skip(f"{name} is not built yet")
    residuals = lambda p: (p[0] - 1.0, p[1] - 2.0)  # noqa: E731
    exec(statement, {"vexari": vexari, "math": math, "parabola": square_minus_two, "residuals": residuals})


@pytest.mark.parametrize(("line", "name", "statement"), bare_calls("accepted.py"))
def test_calls_the_type_checker_accepts_run(line, name, statement):
    run_case(name, statement)


@pytest.mark.parametrize(("line", "name", "statement"), bare_calls("refused.py"))
def test_calls_the_type_checker_refuses_fail_at_run_time(line, name, statement):
    with pytest.raises((TypeError, ValueError)):
        run_case(name, statement)
