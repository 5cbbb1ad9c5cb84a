"""Numerical toolkit built around tangents.

Root finding with iteration histories, central-difference derivatives,
tanh-sinh quadrature, ODE solvers, optimizers, tangent-family special
functions and plotting data, plus small families for polynomials, linear
algebra, statistics, signals and interpolation.

Conventions shared by every function:

- Every parameter may be passed by position or by keyword. An explicit
  ``None`` never selects a default.
- Numbers (``Real``) accept ``float``, ``int``, ``bool``, NumPy scalars and
  anything with ``__float__`` or ``__index__``. Vectors accept any sequence
  of numbers except ``str`` (lists, tuples, ranges) and buffers: NumPy arrays
  of any numeric dtype, ``array.array`` and ``memoryview`` are read directly,
  each item as ``float(item)`` would read it. A pandas, polars or xarray
  object, or a pyarrow array, is read through the array it exports where
  that holds exactly what its items convert to (numbers, no missing value),
  and item by item otherwise. A list of exact floats is read
  in place; any other list is converted item by item, like a tuple. Sets,
  dicts and generators are refused. Pairs must be 2-tuples; lists are
  refused. Counts are non-negative integers.
- Every argument is converted completely, in parameter order, before any
  numerics run.
- A wrongly typed argument raises ``TypeError`` whose text starts with
  ``"argument 'NAME': "``; a negative count raises ``OverflowError``; a pair
  of the wrong length raises ``ValueError`` "expected tuple of length 2, but
  got tuple of length L".
- Invalid data raises ``ValueError`` with a fixed message, given in each
  function's help.
- An exception raised by a callable you pass in is kept, the callable is not
  called again, the computation runs to its end on NaN values, and then that
  same exception is raised unchanged. Where the computation itself fails with
  a ``ValueError``, that error is raised with the callable's exception as its
  ``__cause__``; a ``KeyboardInterrupt`` or ``SystemExit`` from the callable
  is raised as it is.
- Ctrl-C stops long conversions, computations and result building with
  ``KeyboardInterrupt``.
- Non-convergence is never an exception: it shows in the result.
- Results are fresh ``float``, ``list``, ``tuple`` and ``dict`` objects; the
  dict shapes are the ``TypedDict`` classes below. They and the parameter
  aliases (``Vector``, ``Real``, ...) exist for type checking only: import
  them under ``if typing.TYPE_CHECKING:``.
"""

from collections.abc import Buffer, Callable, Sequence
from types import CapsuleType
from typing import Protocol, SupportsFloat, SupportsIndex, TypedDict, type_check_only

__all__ = [
    "__version__",
    "tangent",
    "gradient",
    "newton",
    "halley",
    "householder",
    "dot",
    "norm",
    "add",
    "sub",
    "scale",
    "mat_vec",
    "solve",
    "gradient_descent",
    "tangent_minimize",
    "stationary_newton",
    "gauss_newton",
    "euler",
    "midpoint",
    "rk4",
    "adaptive_rk4",
    "tanh_sinh",
    "tan_sinh",
    "quad_inf",
    "tanpi",
    "tanint",
    "atanint",
    "complex_tan",
    "tan_deg",
    "tan_grad",
    "tangent_lines",
    "newton_animation_data",
    "ode_direction_field",
    "mean",
    "variance",
    "summary",
    "covariance",
    "correlation",
    "linear_regression",
    "polynomial_regression",
    "linspace",
    "sample_grid",
    "linear_interpolate",
    "lagrange_interpolate",
    "finite_difference",
    "polyval",
    "polyder",
    "polyint",
    "polyadd",
    "polymul",
    "polyroot",
    "moving_average",
    "exponential_smooth",
    "convolve",
    "normalize",
    "find_peaks",
]

__version__: str

# What the parameters accept, under names that read well in hover text.

type Real = SupportsFloat | SupportsIndex
"""A number: ``float``, ``int``, ``bool``, a NumPy scalar, anything with ``__float__`` or ``__index__``."""

@type_check_only
class _OneDimensional(Protocol):
    @property
    def shape(self) -> tuple[int]: ...

@type_check_only
class ExportsArray(Protocol):
    """An object whose ``__array__`` gives a one-dimensional array: a NumPy array, a pandas Series or
    Index, a polars Series, an xarray DataArray (one whose shape a checker knows to be otherwise is
    refused)."""

    def __array__(self) -> _OneDimensional: ...

type Vector = Sequence[Real] | ExportsArray
"""One-dimensional data: a list, tuple or range of numbers, an ``array.array`` or a ``memoryview``, or
an object exporting a one-dimensional array: a NumPy array of any numeric dtype, a pandas Series, a
polars Series, an xarray DataArray, a pyarrow array. A ``str`` is refused; so is a DataFrame, at run time
only (pandas' stubs give its export one dimension)."""

type Matrix = Sequence[Vector] | Buffer
"""Rows of numbers: a sequence of vectors, or a two-dimensional array whose rows are read."""

type Pair = tuple[Real, Real]
"""A ``(start, end)`` 2-tuple; a list is refused."""

type Count = SupportsIndex
"""A non-negative whole number (``int``, ``bool``, anything with ``__index__``); a float is refused."""

# The callables that the module calls back, by the shape of their arguments. Compiled functions
# (ctypes and cffi pointers, numba cfuncs, SciPy LowLevelCallables and capsules) are taken as well
# and called with no interpreter in the loop; see the guide "Compiled functions" for the C
# signature each shape accepts. ctypes, cffi and numba objects are callable from Python and so
# match the callable types already (a numba cfunc of pointer arguments is matched by its address);
# a LowLevelCallable and a bare capsule are not callable, so they are named here.

@type_check_only
class LowLevelCallable(Protocol):
    """``scipy.LowLevelCallable``: a compiled function and its signature, not callable from Python."""

    @property
    def function(self) -> object: ...
    @property
    def user_data(self) -> object: ...
    @property
    def signature(self) -> str: ...

@type_check_only
class CompiledCFunc(Protocol):
    """A numba ``cfunc``: the address of its compiled code, whatever its C signature."""

    @property
    def address(self) -> int | None: ...

type Compiled = LowLevelCallable | CapsuleType | CompiledCFunc

type ScalarFunction = Callable[[float], Real] | Compiled
"""f(x) -> number; compiled: ``double (double)`` or ``double (double, void *)``."""

type ScalarFunction2 = Callable[[float, float], Real] | Compiled
"""f(t, y) -> number (or f(x, y)); compiled: ``double (double, double)`` or ``double (double, double, void *)``."""

type VectorFunction = Callable[[list[float]], Real] | Compiled
"""f(v) -> number, called with a new list of floats; compiled: ``double (int, double *)`` or
``double (int, double *, void *)``."""

type ResidualFunction = Callable[[list[float]], Vector] | Compiled
"""r(v) -> residuals, called with a new list of floats; compiled: ``int (int, double *, int, double *)`` or
``int (int, double *, int, double *, void *)``, writing at most the room it is given and returning how many
it has."""

class PanicException(BaseException):
    """Raised when vexari meets an internal failure: a broken invariant in the
    library itself, never a fault of the caller's data. Derived from
    BaseException, so ``except Exception`` does not catch it."""

# Result shapes. Keys are listed in the order in which the dicts hold them.

@type_check_only
class RootStep(TypedDict):
    """One iteration of a root finder."""

    iteration: int
    """0 for the first iteration, then 1, 2, ..."""
    x: float
    """The iterate at which the iteration started."""
    fx: float
    """The function's value at ``x``."""
    slope: float
    """The first-derivative estimate used for the step."""
    next_x: float
    """The iterate computed by this iteration."""

@type_check_only
class RootResult(TypedDict):
    """Result of ``newton``, ``halley`` and ``householder``."""

    root: float
    """On convergence the last record's ``next_x``; otherwise the last iterate."""
    converged: bool
    """Whether a convergence test passed."""
    iterations: int
    """Completed iterations; always ``len(history)``."""
    history: list[RootStep]
    """One record per iteration, in order."""

@type_check_only
class QuadResult(TypedDict):
    """Result of ``tanh_sinh``, ``tan_sinh`` and ``quad_inf``."""

    value: float
    """The last estimate of the integral."""
    error: float
    """|last - previous estimate| when the tolerance was met, NaN when it was not."""
    levels: int
    """The level at which the tolerance was met, else ``max_levels`` (0 for equal limits)."""

@type_check_only
class OdePoint(TypedDict):
    """One point (t, y) of an ODE solution."""

    t: float
    """The time."""
    y: float
    """The solution's value at ``t``."""

@type_check_only
class Segment(TypedDict):
    """A piece of the tangent line at ``center`` with slope ``slope``."""

    x_start: float
    """x of the first end."""
    y_start: float
    """The tangent line's height at ``x_start``."""
    x_end: float
    """x of the second end."""
    y_end: float
    """The tangent line's height at ``x_end``."""
    center: float
    """The point of tangency."""
    slope: float
    """The tangent's slope (a central difference)."""

@type_check_only
class FieldSample(TypedDict):
    """One grid point of a direction field and the unit vector along its slope."""

    x: float
    """The grid point's abscissa."""
    y: float
    """The grid point's ordinate."""
    dx: float
    """x part of the unit vector along the slope."""
    dy: float
    """y part of the unit vector along the slope."""

@type_check_only
class OptimizeStep(TypedDict):
    """One iteration of an optimizer."""

    iteration: int
    """0 for the first iteration, then 1, 2, ..."""
    point: list[float]
    """The iterate at which the iteration started."""
    value: float
    """The objective at ``point``."""
    gradient: list[float]
    """The numerical gradient (``gauss_newton``: the step taken)."""

@type_check_only
class OptimizeResult(TypedDict):
    """Result of ``gradient_descent``, ``tangent_minimize``, ``gauss_newton``
    and ``stationary_newton``."""

    point: list[float]
    """The final iterate."""
    value: float
    """The objective at ``point``."""
    converged: bool
    """Whether the tolerance was met."""
    iterations: int
    """Completed iterations."""
    history: list[OptimizeStep]
    """One record per iteration (always empty for ``stationary_newton``)."""

@type_check_only
class Summary(TypedDict):
    """Result of ``summary``."""

    count: int
    """The number of values."""
    mean: float
    """The arithmetic mean."""
    variance: float
    """Population variance (divisor n)."""
    std_dev: float
    """Square root of the population variance."""
    min: float
    """Smallest value, NaN entries skipped (``inf`` if all are NaN)."""
    max: float
    """Largest value, NaN entries skipped (``-inf`` if all are NaN)."""

@type_check_only
class LinearFit(TypedDict):
    """Result of ``linear_regression``: y ~ intercept + slope * x."""

    slope: float
    """The line's slope."""
    intercept: float
    """The line's value at x = 0."""
    r2: float
    """Coefficient of determination."""

@type_check_only
class GridSample(TypedDict):
    """One point of ``sample_grid``: y = function(x)."""

    x: float
    """The grid point."""
    y: float
    """``function(x)``."""

@type_check_only
class Peak(TypedDict):
    """One peak of ``find_peaks``."""

    index: int
    """The peak's position in ``values``."""
    value: float
    """``values[index]``."""

# Derivatives

def tangent(function: ScalarFunction, x: Real, method: str = "central") -> float:
    """Slope of ``function`` at ``x`` by the central difference
    (f(x + 1e-6) - f(x - 1e-6)) / 2e-6.

    Args:
        function: f(x) -> float; called twice, at x + 1e-6 and then x - 1e-6.
        x: the point.
        method: any ``str``; its value is not consulted, the central
            difference is always used.

    Returns:
        The slope estimate.

    Raises:
        TypeError: "argument 'method': ..." for a non-``str`` method.

    Examples:
        >>> abs(vexari.tangent(lambda x: x * x, 3.0) - 6.0) < 1e-9
        True
        >>> f = lambda x: x * x
        >>> vexari.tangent(f, 3.0, method="forward") == vexari.tangent(f, 3.0)
        True
        >>> vexari.tangent(lambda x: x, 0.0)
        1.0
    """

def gradient(function: VectorFunction, point: Vector) -> list[float]:
    """Gradient of ``function`` at ``point`` by central differences (step 1e-6).

    Args:
        function: f(v) -> float, called with a new ``list`` of floats each
            time; 2n calls, coordinate by coordinate, +1e-6 then -1e-6.
        point: the point (n coordinates); it is not modified.

    Returns:
        n partial derivatives; ``[]`` for an empty point (no call is made).

    Examples:
        >>> g = vexari.gradient(lambda v: v[0] ** 2 + 3 * v[1], [1.0, 2.0])
        >>> [round(component, 6) for component in g]
        [2.0, 3.0]
        >>> vexari.gradient(lambda v: sum(v), [])
        []
    """

# Root finding

def newton(function: ScalarFunction, x0: Real, tol: Real = 1e-10, max_iter: Count = 50) -> RootResult:
    """Find a zero of ``function`` by Newton's method from ``x0``, with the full iteration history.

    The slope at each iterate x is (f(x + 1e-6) - f(x - 1e-6)) / 2e-6; each
    iteration calls ``function`` three times, at x, x + 1e-6 and x - 1e-6,
    and steps to x - f(x) / slope.

    Args:
        function: f(x) -> float.
        x0: starting point.
        tol: the run converges when |f(x)| <= tol or |step| <= tol.
        max_iter: iteration budget; 0 returns ``x0`` without any call.

    Returns:
        ``{"root", "converged", "iterations", "history"}``; without
        convergence "converged" is False and "root" is the last iterate.

    Raises:
        ValueError: "tangent slope is too small for Newton step" when
            |slope| < 1e-14 (a constant function, a flat extremum).

    Examples:
        >>> result = vexari.newton(lambda x: x * x - 2.0, 1.0)
        >>> result["root"], result["converged"], result["iterations"]
        (1.4142135623730951, True, 5)
        >>> result["history"][0]
        {'iteration': 0, 'x': 1.0, 'fx': -1.0, 'slope': 2.0000000000575113, 'next_x': 1.4999999999856222}
        >>> vexari.newton(lambda x: x * x - 2.0, 1.0, max_iter=0)
        {'root': 1.0, 'converged': False, 'iterations': 0, 'history': []}
        >>> vexari.newton(lambda x: 3.0, 1.0)
        Traceback (most recent call last):
            ...
        ValueError: tangent slope is too small for Newton step
    """

def halley(function: ScalarFunction, x0: Real, tol: Real = 1e-10, max_iter: Count = 50) -> RootResult:
    """Find a zero of ``function`` by Halley's method from ``x0``, with the full iteration history.

    Step x - 2 f f' / (2 f'^2 - f f'') with f' a central difference (step
    1e-6) and f'' a central second difference (step 1e-4). Each iteration
    calls ``function`` six times: at x, x + 1e-6, x - 1e-6, x + 1e-4, x again
    and x - 1e-4. A history record's "slope" holds f'.

    Args:
        function: f(x) -> float.
        x0: starting point.
        tol: the run converges when |f(x)| <= tol or |step| <= tol.
        max_iter: iteration budget; 0 returns ``x0`` without any call.

    Returns:
        ``{"root", "converged", "iterations", "history"}``, as for ``newton``.

    Raises:
        ValueError: "Halley denominator is too small" when
            |2 f'^2 - f f''| < 1e-14.

    Examples:
        >>> result = vexari.halley(lambda x: x * x - 2.0, 1.0)
        >>> result["converged"], result["iterations"]
        (True, 4)
        >>> abs(result["root"] - math.sqrt(2.0)) < 1e-12
        True
        >>> vexari.halley(lambda x: 1.0, 0.0)
        Traceback (most recent call last):
            ...
        ValueError: Halley denominator is too small
    """

def householder(
    function: ScalarFunction, x0: Real, order: Count = 3, tol: Real = 1e-10, max_iter: Count = 50
) -> RootResult:
    """Householder iteration of order 2 (Newton) or 3 (Halley).

    ``order=2`` gives exactly what ``newton`` gives, ``order=3`` exactly what
    ``halley`` gives, for the same ``tol`` and ``max_iter``.

    Args:
        function: f(x) -> float.
        x0: starting point.
        order: 2 or 3.
        tol: convergence tolerance, as for ``newton``.
        max_iter: iteration budget.

    Returns:
        ``{"root", "converged", "iterations", "history"}``.

    Raises:
        ValueError: "supported Householder orders are 2 and 3" for any other
            order (before any call); otherwise the error of ``newton`` or
            ``halley``.

    Examples:
        >>> f = lambda x: x * x - 2.0
        >>> vexari.householder(f, 1.0, order=2) == vexari.newton(f, 1.0)
        True
        >>> vexari.householder(f, 1.0) == vexari.halley(f, 1.0)
        True
        >>> vexari.householder(f, 1.0, order=4)
        Traceback (most recent call last):
            ...
        ValueError: supported Householder orders are 2 and 3
    """

# Linear algebra

def dot(left: Vector, right: Vector) -> float:
    """Dot product, summed in index order (``-0.0`` for empty vectors).

    Args:
        left: the first vector.
        right: the second vector, as long as ``left``.

    Returns:
        The sum of left[i] * right[i].

    Raises:
        ValueError: "vector lengths must match".

    Examples:
        >>> vexari.dot([1.0, 2.0], [3.0, 4.0])
        11.0
        >>> vexari.dot([], [])
        -0.0
    """

def norm(vector: Vector) -> float:
    """Euclidean norm: the square root of the sum of squares.

    Args:
        vector: the vector.

    Returns:
        The norm (``-0.0`` for an empty vector).

    Examples:
        >>> vexari.norm([3.0, 4.0])
        5.0
        >>> vexari.norm([])
        -0.0
    """

def add(left: Vector, right: Vector) -> list[float]:
    """Elementwise sum of two vectors.

    Args:
        left: the first vector.
        right: the second vector, as long as ``left``.

    Returns:
        left[i] + right[i] for every i.

    Raises:
        ValueError: "vector lengths must match".

    Examples:
        >>> vexari.add([1.0, 2.0], [3.0, 4.0])
        [4.0, 6.0]
        >>> vexari.add([1.0], [1.0, 2.0])
        Traceback (most recent call last):
            ...
        ValueError: vector lengths must match
    """

def sub(left: Vector, right: Vector) -> list[float]:
    """Elementwise difference of two vectors.

    Args:
        left: the first vector.
        right: the second vector, as long as ``left``.

    Returns:
        left[i] - right[i] for every i.

    Raises:
        ValueError: "vector lengths must match".

    Examples:
        >>> vexari.sub([1.0, 2.0], [3.0, 4.0])
        [-2.0, -2.0]
    """

def scale(vector: Vector, factor: Real) -> list[float]:
    """Every entry of a vector multiplied by a number.

    Args:
        vector: the vector.
        factor: the multiplier.

    Returns:
        factor * vector[i] for every i.

    Examples:
        >>> vexari.scale([1.0, -2.0], 0.5)
        [0.5, -1.0]
    """

def mat_vec(matrix: Matrix, vector: Vector) -> list[float]:
    """Matrix-vector product: the dot product of each row with ``vector``.

    Args:
        matrix: the rows.
        vector: as long as every row.

    Returns:
        One entry per row; ``[]`` for an empty matrix whatever the vector.

    Raises:
        ValueError: "vector lengths must match" at the first row whose
            length differs from the vector's.

    Examples:
        >>> vexari.mat_vec([[1.0, 2.0], [3.0, 4.0]], [1.0, 1.0])
        [3.0, 7.0]
        >>> vexari.mat_vec([], [1.0])
        []
        >>> vexari.mat_vec([[1.0, 2.0], [3.0]], [1.0, 1.0])
        Traceback (most recent call last):
            ...
        ValueError: vector lengths must match
    """

def solve(matrix: Matrix, rhs: Vector) -> list[float]:
    """Solve matrix @ x = rhs by Gaussian elimination with partial pivoting.

    Args:
        matrix: n rows of n entries; it is not modified.
        rhs: n entries.

    Returns:
        x (``[]`` for n = 0).

    Raises:
        ValueError: "matrix must be square and match rhs length" for a
            wrong shape; "matrix is singular" when a pivot is below 1e-14 in
            magnitude (an absolute threshold).

    Examples:
        >>> vexari.solve([[0.0, 1.0], [1.0, 0.0]], [2.0, 3.0])
        [3.0, 2.0]
        >>> vexari.solve([[2.0]], [4.0])
        [2.0]
        >>> vexari.solve([[1e-15]], [1.0])
        Traceback (most recent call last):
            ...
        ValueError: matrix is singular
        >>> vexari.solve([[1.0, 2.0]], [3.0])
        Traceback (most recent call last):
            ...
        ValueError: matrix must be square and match rhs length
    """

# Optimization

def gradient_descent(
    function: VectorFunction,
    start: Vector,
    step_size: Real = 0.01,
    tol: Real = 1e-8,
    max_iter: Count = 1000,
) -> OptimizeResult:
    """Minimize ``function`` of a vector by fixed-step gradient descent from ``start``, with history.

    Each iteration evaluates f(x), its central-difference gradient g (2n
    calls) and records a step; it stops when the norm of g is <= tol,
    otherwise moves to x - step_size * g.

    Args:
        function: f(v) -> float, called with a new ``list`` of floats.
        start: starting point (any length).
        step_size: the fixed step factor.
        tol: gradient-norm tolerance.
        max_iter: iteration budget.

    Returns:
        ``{"point", "value", "converged", "iterations", "history"}``. On
        convergence "point" is the iterate whose gradient passed the test;
        otherwise it is the iterate after the last update, and ``function``
        is called once more there for "value".

    Examples:
        >>> result = vexari.gradient_descent(lambda v: (v[0] - 1.0) ** 2, [0.0], step_size=0.5)
        >>> result["converged"], result["iterations"], abs(result["point"][0] - 1.0) < 1e-9
        (True, 2, True)
        >>> vexari.gradient_descent(lambda v: v[0] ** 2, [3.0], max_iter=0)
        {'point': [3.0], 'value': 9.0, 'converged': False, 'iterations': 0, 'history': []}
    """

def tangent_minimize(
    function: ScalarFunction,
    start: Real,
    step_size: Real = 0.01,
    tol: Real = 1e-8,
    max_iter: Count = 1000,
) -> OptimizeResult:
    """Gradient descent on a function of one float: x <- x - step_size * f'(x).

    Args:
        function: f(x) -> float.
        start: starting point.
        step_size: the fixed step factor.
        tol: tolerance on |f'(x)|.
        max_iter: iteration budget.

    Returns:
        As for ``gradient_descent``; "point" and every step's "point" and
        "gradient" are one-element lists.

    Examples:
        >>> result = vexari.tangent_minimize(lambda x: (x - 1.0) ** 2, 0.0, step_size=0.5)
        >>> result["converged"], len(result["point"]), abs(result["point"][0] - 1.0) < 1e-9
        (True, 1, True)
        >>> vexari.tangent_minimize(lambda x: x * x, 3.0, max_iter=0)
        {'point': [3.0], 'value': 9.0, 'converged': False, 'iterations': 0, 'history': []}
    """

def stationary_newton(function: ScalarFunction, start: Real, tol: Real = 1e-8, max_iter: Count = 100) -> OptimizeResult:
    """Find a stationary point (f'(x) = 0) by Newton's method on a
    central-difference f'.

    Minima, maxima and inflection points all qualify. Each iteration calls
    ``function`` six times, plus one call at the end for "value".

    Args:
        function: f(x) -> float.
        start: starting point.
        tol: the run converges when |f'(x)| <= tol or |step| <= tol.
        max_iter: iteration budget.

    Returns:
        ``{"point", "value", "converged", "iterations", "history"}`` with
        "point" a one-element list and "history" always empty.

    Raises:
        ValueError: "tangent slope is too small for Newton step" when the
            estimate of f'' is below 1e-14 in magnitude (e.g. a constant
            function).

    Examples:
        >>> result = vexari.stationary_newton(lambda x: -(x - 2.0) ** 2, 0.0)
        >>> result["converged"], abs(result["point"][0] - 2.0) < 1e-6, result["history"]
        (True, True, [])
        >>> vexari.stationary_newton(lambda x: 5.0, 0.0)
        Traceback (most recent call last):
            ...
        ValueError: tangent slope is too small for Newton step
        >>> vexari.stationary_newton(lambda x: x * x, 3.0, max_iter=0)
        {'point': [3.0], 'value': 9.0, 'converged': False, 'iterations': 0, 'history': []}
    """

def gauss_newton(function: ResidualFunction, start: Vector, tol: Real = 1e-8, max_iter: Count = 100) -> OptimizeResult:
    """Least squares by Gauss-Newton: make the residuals ``function(x)`` small.

    Each iteration evaluates the residuals r, their central-difference
    Jacobian J (1 + 2n calls), solves (J^T J) d = -J^T r and takes the full
    step x + d. It stops when the norm of d is <= tol.

    Args:
        function: r(v) -> sequence of floats, called with a new ``list``;
            it must return the same number of residuals every time.
        start: starting point (n unknowns).
        tol: step-norm tolerance.
        max_iter: iteration budget.

    Returns:
        ``{"point", "value", "converged", "iterations", "history"}``;
        "value" is 0.5 * sum(r_i^2), and each step's "gradient" holds the
        step d solved in that iteration.

    Raises:
        ValueError: "matrix is singular" when the normal equations are
            singular, e.g. when the residuals ignore one of the unknowns.

    Examples:
        >>> result = vexari.gauss_newton(lambda p: [p[0] - 1.0, p[1] - 2.0], [0.0, 0.0])
        >>> result["converged"], result["iterations"]
        (True, 2)
        >>> [round(x, 6) for x in result["point"]]
        [1.0, 2.0]
        >>> vexari.gauss_newton(lambda p: [p[0] - 1.0], [0.0, 0.0])
        Traceback (most recent call last):
            ...
        ValueError: matrix is singular
        >>> lookup: dict[str, list[float]] = {}
        >>> try:
        ...     vexari.gauss_newton(lambda p: lookup["x"], [0.0])
        ... except ValueError as error:
        ...     print(repr(error), "caused by", repr(error.__cause__))
        ValueError('matrix is singular') caused by KeyError('x')
    """

# Ordinary differential equations

def euler(function: ScalarFunction2, y0: Real, t0: Real, t1: Real, step: Real) -> list[OdePoint]:
    """Integrate y' = f(t, y), y(t0) = y0, from t0 to t1 by Euler's method.

    The direction follows t1 - t0 (the sign of ``step`` is ignored; its
    magnitude is floored at 1e-12); the last step is shortened to land on
    t1. One call of ``function`` per step.

    Args:
        function: f(t, y) -> float.
        y0: initial value.
        t0: initial time.
        t1: final time.
        step: step length.

    Returns:
        ``[{"t", "y"}, ...]`` starting with (t0, y0), one point per step.

    Examples:
        >>> vexari.euler(lambda t, y: y, 1.0, 0.0, 1.0, 0.5)
        [{'t': 0.0, 'y': 1.0}, {'t': 0.5, 'y': 1.5}, {'t': 1.0, 'y': 2.25}]
        >>> [point["t"] for point in vexari.euler(lambda t, y: 0.0, 0.0, 0.0, 1.0, 0.3)]
        [0.0, 0.3, 0.6, 0.8999999999999999, 1.0]
        >>> [point["t"] for point in vexari.euler(lambda t, y: 0.0, 0.0, 1.0, 0.0, 0.25)]
        [1.0, 0.75, 0.5, 0.25, 0.0]
        >>> [point["t"] for point in vexari.euler(lambda t, y: 0.0, 0.0, 0.0, 1.0, -0.5)]
        [0.0, 0.5, 1.0]
    """

def midpoint(function: ScalarFunction2, y0: Real, t0: Real, t1: Real, step: Real) -> list[OdePoint]:
    """Integrate y' = f(t, y), y(t0) = y0, from t0 to t1 by the explicit
    midpoint method.

    Stepping as for ``euler``; two calls of ``function`` per step.

    Args:
        function: f(t, y) -> float.
        y0: initial value.
        t0: initial time.
        t1: final time.
        step: step length (its sign is ignored).

    Returns:
        ``[{"t", "y"}, ...]`` starting with (t0, y0).

    Examples:
        >>> [point["y"] for point in vexari.midpoint(lambda t, y: y, 1.0, 0.0, 1.0, 0.5)]
        [1.0, 1.625, 2.640625]
    """

def rk4(function: ScalarFunction2, y0: Real, t0: Real, t1: Real, step: Real) -> list[OdePoint]:
    """Integrate y' = f(t, y), y(t0) = y0, from t0 to t1 by classical
    fourth-order Runge-Kutta.

    Stepping as for ``euler``; four calls of ``function`` per step.

    Args:
        function: f(t, y) -> float.
        y0: initial value.
        t0: initial time.
        t1: final time.
        step: step length (its sign is ignored).

    Returns:
        ``[{"t", "y"}, ...]`` starting with (t0, y0).

    Examples:
        >>> vexari.rk4(lambda t, y: y, 1.0, 0.0, 1.0, 1.0)
        [{'t': 0.0, 'y': 1.0}, {'t': 1.0, 'y': 2.708333333333333}]
    """

def adaptive_rk4(
    function: ScalarFunction2, y0: Real, t0: Real, t1: Real, initial_step: Real, tol: Real = 1e-8
) -> list[OdePoint]:
    """Integrate y' = f(t, y) from t0 to t1 by RK4 with step-doubling control.

    Each attempt takes one full step and two half steps (12 calls of
    ``function``), accepts the half-step result when the two differ by at
    most ``tol`` (or the step is at most 1e-12), and rescales the step by a
    factor in [0.18, 1.8]. A NaN error estimate ends the run with the points
    accepted so far.

    Args:
        function: f(t, y) -> float.
        y0: initial value.
        t0: initial time.
        t1: final time.
        initial_step: first step proposal (its sign is ignored).
        tol: absolute tolerance per step.

    Returns:
        ``[{"t", "y"}, ...]``: (t0, y0) followed by the accepted steps.

    Examples:
        >>> [point["t"] for point in vexari.adaptive_rk4(lambda t, y: 0.0, 1.0, 0.0, 1.0, 0.1)]
        [0.0, 0.1, 0.28, 0.6040000000000001, 1.0]
        >>> vexari.adaptive_rk4(lambda t, y: y, 2.0, 1.0, 1.0, 0.1)
        [{'t': 1.0, 'y': 2.0}]
    """

# Quadrature

def tanh_sinh(function: ScalarFunction, a: Real, b: Real, tol: Real = 1e-10, max_levels: Count = 12) -> QuadResult:
    """Integrate ``function`` over [a, b] by tanh-sinh quadrature.

    Levels 3, 4, ... up to ``max_levels`` each evaluate 12 * 2**k + 1 nodes
    (endpoints included, so ``function`` may be called at a and b); the run
    stops when two successive estimates differ by at most ``tol``. Each node
    is clamped into [min(a, b), max(a, b)], so ``function`` is never called
    outside the interval, even where rounding would push a node past an end.

    Args:
        function: f(x) -> float.
        a: lower limit.
        b: upper limit (may be below ``a``; the value changes sign).
        tol: tolerance between successive levels.
        max_levels: last level; below 3 gives NaN without any call.

    Returns:
        ``{"value", "error", "levels"}``; "error" is NaN when the tolerance
        was not met. Equal limits give value 0.0, error 0.0, levels 0.
        "error" is the difference between the last two levels' estimates,
        not a bound on the true error: for an integrand with an endpoint
        singularity such as 1/sqrt(x) the true error can be larger.

    Examples:
        >>> result = vexari.tanh_sinh(lambda x: x * x, 0.0, 1.0)
        >>> result["levels"], abs(result["value"] - 1.0 / 3.0) < 1e-15
        (4, True)
        >>> vexari.tanh_sinh(lambda x: x * x, 1.0, 1.0)
        {'value': 0.0, 'error': 0.0, 'levels': 0}
        >>> vexari.tanh_sinh(lambda x: x * x, 0.0, 1.0, max_levels=2)
        {'value': nan, 'error': nan, 'levels': 2}
        >>> round(vexari.tanh_sinh(lambda x: math.sqrt(x - 0.1), 0.1, 0.7)["value"], 12)
        0.309838667697
    """

def tan_sinh(function: ScalarFunction, a: Real = 0.0, tol: Real = 1e-10, max_levels: Count = 12) -> QuadResult:
    """Integrate ``function`` over [a, inf) by tanh-sinh quadrature after the
    substitution x = a + tan(v).

    ``function`` is called at a and at points up to about a + 1.6e16.

    Args:
        function: f(x) -> float.
        a: lower limit.
        tol: tolerance between successive levels.
        max_levels: last level; below 3 gives NaN without any call.

    Returns:
        ``{"value", "error", "levels"}``, as for ``tanh_sinh``.

    Examples:
        >>> result = vexari.tan_sinh(lambda x: math.exp(-x))
        >>> result["levels"], abs(result["value"] - 1.0) < 1e-13
        (5, True)
        >>> abs(vexari.tan_sinh(lambda x: math.exp(-x), a=2.0)["value"] - math.exp(-2.0)) < 1e-12
        True
    """

def quad_inf(function: ScalarFunction, tol: Real = 1e-10, max_levels: Count = 12) -> QuadResult:
    """Integrate ``function`` over the whole real line by tanh-sinh
    quadrature after the substitution x = tan(v).

    ``function`` is called at points out to about +-1.6e16.

    Args:
        function: f(x) -> float.
        tol: tolerance between successive levels.
        max_levels: last level; below 3 gives NaN without any call.

    Returns:
        ``{"value", "error", "levels"}``, as for ``tanh_sinh``.

    Examples:
        >>> result = vexari.quad_inf(lambda x: 1.0 / (1.0 + x * x))
        >>> result["levels"], abs(result["value"] - math.pi) < 1e-14
        (4, True)
        >>> vexari.quad_inf(lambda x: 1.0 / (1.0 + x * x), max_levels=2)
        {'value': nan, 'error': nan, 'levels': 2}
    """

# Tangent-family special functions

def tanpi(x: Real) -> float:
    """tan(pi * x), with x reduced to [0, 1) first, so integers give exact zeros.

    Args:
        x: the argument.

    Returns:
        The tangent. Half-integers give 1.633123935319537e16 (a large finite
        value); |x| of 2**52 or more gives +-0.0; infinities and NaN give NaN.

    Examples:
        >>> vexari.tanpi(0.25), vexari.tanpi(-0.25)
        (0.9999999999999999, -1.0000000000000002)
        >>> vexari.tanpi(1.0), vexari.tanpi(-1.0)
        (0.0, -0.0)
        >>> vexari.tanpi(0.5) == vexari.tanpi(-0.5) == vexari.tanpi(1.5) == 1.633123935319537e16
        True
    """

def tanint(x: Real) -> float:
    """Integral of tan(t) / t from 0 to x, by adaptive Simpson quadrature.

    Args:
        x: the upper limit.

    Returns:
        The integral; odd in x, +0.0 at 0. The integral diverges at pi/2,
        so |x| > 1.5707963267948966 gives NaN.

    Examples:
        >>> abs(vexari.tanint(1.0) - 1.1491512305235) < 1e-9
        True
        >>> vexari.tanint(-1.0) == -vexari.tanint(1.0)
        True
        >>> vexari.tanint(0.0)
        0.0
        >>> vexari.tanint(2.0)
        nan
    """

def atanint(x: Real) -> float:
    """Inverse tangent integral: the integral of atan(t) / t from 0 to x, by
    adaptive Simpson quadrature. atanint(1) is Catalan's constant.

    Args:
        x: the upper limit.

    Returns:
        The integral; odd in x, +0.0 at 0.

    Examples:
        >>> abs(vexari.atanint(1.0) - 0.915965594177219) < 1e-12
        True
        >>> vexari.atanint(-0.0)
        0.0
    """

def complex_tan(re: Real, im: Real) -> tuple[float, float]:
    """Tangent of the complex number re + i*im.

    Args:
        re: the real part.
        im: the imaginary part.

    Returns:
        (real part, imaginary part) of the tangent, computed as
        (sin 2re, sinh 2im) / (cos 2re + cosh 2im). When cosh 2im overflows
        (|im| above about 355) and ``re`` is finite, the imaginary part is
        copysign(1, im), the limit. Where that denominator is zero, as at
        (pi/2, 0), an equivalent denominator gives a large finite value such
        as 1.633123935319537e16 instead of an infinity and a NaN.

    Examples:
        >>> real, imaginary = vexari.complex_tan(0.5, 0.0)
        >>> abs(real - math.tan(0.5)) < 1e-15, imaginary
        (True, 0.0)
        >>> real, imaginary = vexari.complex_tan(0.0, 1.0)
        >>> real, abs(imaginary - math.tanh(1.0)) < 1e-15
        (0.0, True)
        >>> vexari.complex_tan(0.0, 400.0)
        (0.0, 1.0)
        >>> vexari.complex_tan(math.pi / 2, 0.0)
        (1.633123935319537e+16, 0.0)
    """

def tan_deg(x: Real) -> float:
    """Tangent of an angle in degrees.

    Args:
        x: the angle in degrees.

    Returns:
        tan(x * 0.017453292519943295); 90 degrees gives 1.633123935319537e16.

    Examples:
        >>> vexari.tan_deg(45.0), vexari.tan_deg(90.0)
        (0.9999999999999999, 1.633123935319537e+16)
    """

def tan_grad(x: Real) -> float:
    """Tangent of an angle in gradians (400 per turn).

    Args:
        x: the angle in gradians.

    Returns:
        tan((x * pi) / 200); 100 gradians gives 1.633123935319537e16.

    Examples:
        >>> vexari.tan_grad(50.0), vexari.tan_grad(100.0)
        (0.9999999999999999, 1.633123935319537e+16)
    """

# Plotting data

def tangent_lines(function: ScalarFunction, x_start: Real, x_end: Real, centers: Vector) -> list[Segment]:
    """Tangent-line segments of ``function`` over [x_start, x_end], one per center.

    For each center c: y_c = f(c), slope = (f(c + 1e-6) - f(c - 1e-6)) / 2e-6
    (three calls, in this order), and the segment's ends are the tangent
    line's heights at ``x_start`` and ``x_end``.

    Args:
        function: f(x) -> float.
        x_start: x of every segment's first end.
        x_end: x of every segment's second end.
        centers: the points of tangency.

    Returns:
        ``[{"x_start", "y_start", "x_end", "y_end", "center", "slope"}, ...]``
        in the order of ``centers``.

    Examples:
        >>> segment = vexari.tangent_lines(lambda x: x * x, -1.0, 1.0, [0.5])[0]
        >>> segment["x_start"], segment["x_end"], segment["center"]
        (-1.0, 1.0, 0.5)
        >>> round(segment["slope"], 9), round(segment["y_start"], 9), round(segment["y_end"], 9)
        (1.0, -1.25, 0.75)
        >>> vexari.tangent_lines(lambda x: x * x, 0.0, 1.0, [])
        []
    """

def newton_animation_data(
    function: ScalarFunction, x0: Real, tol: Real = 1e-10, max_iter: Count = 50
) -> list[Segment]:
    """Newton's method as drawable frames: one segment per iteration, from
    (x_k, f(x_k)) on the curve down to (x_(k+1), 0) on the axis.

    The iteration is exactly that of ``newton``; "center" is x_k and
    "slope" the tangent slope used there.

    Args:
        function: f(x) -> float.
        x0: starting point.
        tol: convergence tolerance, as for ``newton``.
        max_iter: iteration budget; 0 gives ``[]`` without any call.

    Returns:
        ``[{"x_start", "y_start", "x_end", "y_end", "center", "slope"}, ...]``
        in iteration order.

    Raises:
        ValueError: "tangent slope is too small for Newton step".

    Examples:
        >>> vexari.newton_animation_data(lambda x: x * x - 2.0, 1.0)[0]
        {'x_start': 1.0, 'y_start': -1.0, 'x_end': 1.4999999999856222, 'y_end': 0.0, 'center': 1.0, 'slope': 2.0000000000575113}
        >>> vexari.newton_animation_data(lambda x: x, 0.0)
        [{'x_start': 0.0, 'y_start': 0.0, 'x_end': 0.0, 'y_end': 0.0, 'center': 0.0, 'slope': 1.0}]
        >>> vexari.newton_animation_data(lambda x: 3.0, 0.0)
        Traceback (most recent call last):
            ...
        ValueError: tangent slope is too small for Newton step
    """

def ode_direction_field(
    function: ScalarFunction2, x_range: Pair, y_range: Pair, x_count: Count, y_count: Count
) -> list[FieldSample]:
    """Slope field of y' = f(x, y) on an evenly spaced grid.

    ``x_count`` abscissas from x_range[0] to x_range[1] (only x_range[0] when
    the count is 1), likewise for y; x is the outer loop. Each sample holds
    the unit vector (dx, dy) = (1, s) / sqrt(s*s + 1) for s = f(x, y). A slope
    so steep that s*s overflows gives the near-vertical arrow
    (1 / |s|, copysign(1, s)).

    Args:
        function: f(x, y) -> float.
        x_range: (start, end) as a 2-tuple.
        y_range: (start, end) as a 2-tuple.
        x_count: number of abscissas.
        y_count: number of ordinates.

    Returns:
        ``[{"x", "y", "dx", "dy"}, ...]``, x_count * y_count samples.

    Examples:
        >>> field = vexari.ode_direction_field(lambda x, y: 0.0, (0.0, 1.0), (0.0, 2.0), 2, 3)
        >>> [(sample["x"], sample["y"]) for sample in field]
        [(0.0, 0.0), (0.0, 1.0), (0.0, 2.0), (1.0, 0.0), (1.0, 1.0), (1.0, 2.0)]
        >>> field[0]
        {'x': 0.0, 'y': 0.0, 'dx': 1.0, 'dy': 0.0}
        >>> vexari.ode_direction_field(lambda x, y: 1.0, (0.0, 1.0), (0.0, 1.0), 1, 1)
        [{'x': 0.0, 'y': 0.0, 'dx': 0.7071067811865475, 'dy': 0.7071067811865475}]
        >>> vexari.ode_direction_field(lambda x, y: -1e300, (0.0, 1.0), (0.0, 1.0), 1, 1)
        [{'x': 0.0, 'y': 0.0, 'dx': 1e-300, 'dy': -1.0}]
    """

# Statistics

def mean(values: Vector) -> float:
    """Arithmetic mean.

    Args:
        values: the samples.

    Returns:
        sum / n, the sum taken in index order.

    Raises:
        ValueError: "values must not be empty".

    Examples:
        >>> vexari.mean([1.0, 2.0, 3.0, 4.0])
        2.5
        >>> vexari.mean([-0.0])
        -0.0
        >>> vexari.mean([])
        Traceback (most recent call last):
            ...
        ValueError: values must not be empty
    """

def variance(values: Vector, sample: bool = False) -> float:
    """Population or sample variance by the two-pass algorithm.

    Args:
        values: the samples.
        sample: False for the population variance (divisor n), True for
            the sample variance (divisor n - 1).

    Returns:
        The variance.

    Raises:
        ValueError: "not enough values for variance" (no value, or fewer
            than 2 with ``sample=True``).

    Examples:
        >>> vexari.variance([1.0, 2.0, 3.0, 4.0])
        1.25
        >>> vexari.variance([1.0, 2.0, 3.0, 4.0], sample=True)
        1.6666666666666667
        >>> vexari.variance([5.0])
        0.0
        >>> vexari.variance([5.0], sample=True)
        Traceback (most recent call last):
            ...
        ValueError: not enough values for variance
    """

def summary(values: Vector) -> Summary:
    """Count, mean, population variance, standard deviation, min and max.

    Args:
        values: the samples.

    Returns:
        ``{"count", "mean", "variance", "std_dev", "min", "max"}``; min and
        max skip NaN entries.

    Raises:
        ValueError: "values must not be empty".

    Examples:
        >>> vexari.summary([3.0])
        {'count': 1, 'mean': 3.0, 'variance': 0.0, 'std_dev': 0.0, 'min': 3.0, 'max': 3.0}
        >>> stats = vexari.summary([float("nan"), 1.0])
        >>> stats["mean"], stats["min"], stats["max"]
        (nan, 1.0, 1.0)
    """

def covariance(left: Vector, right: Vector, sample: bool = False) -> float:
    """Population or sample covariance of two equally long vectors.

    Args:
        left: the first samples.
        right: the second samples.
        sample: False for the population covariance (divisor n), True for
            the sample covariance (divisor n - 1).

    Returns:
        The covariance.

    Raises:
        ValueError: "vectors must have equal nonzero length";
            "not enough values for sample covariance".

    Examples:
        >>> vexari.covariance([1.0, 2.0, 3.0], [1.0, 2.0, 3.0])
        0.6666666666666666
        >>> vexari.covariance([1.0, 2.0, 3.0], [1.0, 2.0, 3.0], sample=True)
        1.0
        >>> vexari.covariance([1.0], [2.0], sample=True)
        Traceback (most recent call last):
            ...
        ValueError: not enough values for sample covariance
    """

def correlation(left: Vector, right: Vector) -> float:
    """Pearson correlation from population moments (not clamped to [-1, 1]).

    Args:
        left: the first samples.
        right: the second samples.

    Returns:
        The population covariance over the product of the standard deviations.

    Raises:
        ValueError: "not enough values for variance" (an empty vector);
            "correlation is undefined for constant vectors" (a standard
            deviation of at most 2**-52); "vectors must have equal nonzero
            length". The checks run in this order.

    Examples:
        >>> vexari.correlation([1.0, 2.0, 3.0], [3.0, 2.0, 1.0])
        -1.0
        >>> vexari.correlation([1.0, 2.0, 3.0, 4.0], [2.0, 4.0, 6.0, 8.0])
        0.9999999999999998
        >>> vexari.correlation([1.0, 2.0, 3.0], [7.0, 7.0, 7.0])
        Traceback (most recent call last):
            ...
        ValueError: correlation is undefined for constant vectors
    """

def linear_regression(x: Vector, y: Vector) -> LinearFit:
    """Least-squares straight line y ~ intercept + slope * x.

    Args:
        x: the abscissas.
        y: the ordinates, as many as ``x``.

    Returns:
        ``{"slope", "intercept", "r2"}``.

    Raises:
        ValueError: "x and y must have the same length of at least two";
            "linear regression requires nonconstant x values".

    Examples:
        >>> vexari.linear_regression([1.0, 2.0, 3.0], [2.0, 4.0, 6.0])
        {'slope': 2.0, 'intercept': 0.0, 'r2': 1.0}
        >>> vexari.linear_regression([0.0, 1.0, 2.0, 3.0], [1.0, 3.0, 2.0, 5.0])
        {'slope': 1.1, 'intercept': 1.0999999999999999, 'r2': 0.6914285714285716}
        >>> vexari.linear_regression([2.0, 2.0, 2.0], [1.0, 2.0, 3.0])
        Traceback (most recent call last):
            ...
        ValueError: linear regression requires nonconstant x values
    """

def polynomial_regression(x: Vector, y: Vector, degree: Count) -> list[float]:
    """Least-squares polynomial through (x, y), by the normal equations.

    Args:
        x: the abscissas.
        y: the ordinates, as many as ``x``.
        degree: the polynomial's degree.

    Returns:
        degree + 1 coefficients, constant term first.

    Raises:
        ValueError: "not enough data for requested polynomial degree" (also
            for unequal lengths); "matrix is singular".

    Examples:
        >>> [round(c, 9) for c in vexari.polynomial_regression([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 2)]
        [1.0, 1.0, 1.0]
        >>> vexari.polynomial_regression([0.0, 1.0, 2.0], [1.0, 3.0, 8.0], 0)
        [4.0]
        >>> vexari.polynomial_regression([1.0, 1.0, 1.0], [1.0, 2.0, 3.0], 1)
        Traceback (most recent call last):
            ...
        ValueError: matrix is singular
    """

# Interpolation and sampling

def linspace(start: Real, end: Real, count: Count) -> list[float]:
    """Evenly spaced points from ``start`` to ``end``.

    Args:
        start: the first point.
        end: where the points end; the last point may differ from it by
            rounding.
        count: the number of points; 1 gives ``[start]``, 0 gives ``[]``.

    Returns:
        Point i is start + ((end - start) * i) / (count - 1).

    Raises:
        MemoryError: when ``count`` points cannot be held; the message says
            how many points were asked for and why they cannot be held.

    Examples:
        >>> vexari.linspace(0.0, 1.0, 5)
        [0.0, 0.25, 0.5, 0.75, 1.0]
        >>> vexari.linspace(1.0, 0.0, 3)
        [1.0, 0.5, 0.0]
        >>> vexari.linspace(0.0, 0.3, 4)
        [0.0, 0.09999999999999999, 0.19999999999999998, 0.3]
        >>> vexari.linspace(-7.3, 6.9, 3)
        [-7.3, -0.20000000000000018, 6.8999999999999995]
    """

def sample_grid(function: ScalarFunction, start: Real, end: Real, count: Count) -> list[GridSample]:
    """``function`` evaluated on the grid ``linspace(start, end, count)``.

    Args:
        function: f(x) -> float, called once per point in grid order.
        start: the first point.
        end: the last point's target.
        count: the number of points.

    Returns:
        ``[{"x", "y"}, ...]`` in grid order; ``[]`` for count 0 (no call).

    Raises:
        MemoryError: when ``count`` points cannot be held, before any call;
            the message says how many points were asked for and why.

    Examples:
        >>> vexari.sample_grid(lambda x: x * x, 0.0, 2.0, 3)
        [{'x': 0.0, 'y': 0.0}, {'x': 1.0, 'y': 1.0}, {'x': 2.0, 'y': 4.0}]
        >>> vexari.sample_grid(lambda x: x * x, 0.0, 2.0, 0)
        []
    """

def linear_interpolate(x: Vector, y: Vector, query: Real) -> float:
    """Piecewise-linear interpolation through (x, y) at ``query``.

    Args:
        x: strictly increasing abscissas, at least two; a NaN among them
            fails as not increasing.
        y: the ordinates, as many as ``x``.
        query: where to interpolate, within [x[0], x[-1]]; a NaN query
            gives NaN.

    Returns:
        The interpolated value.

    Raises:
        ValueError: "x and y must have matching length of at least two";
            "x values must be strictly increasing"; "query is outside
            interpolation range". The checks run in this order.

    Examples:
        >>> vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], 1.5)
        15.0
        >>> vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], 2.0)
        20.0
        >>> vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], 2.5)
        Traceback (most recent call last):
            ...
        ValueError: query is outside interpolation range
        >>> vexari.linear_interpolate([1.0, 0.0], [1.0, 2.0], 5.0)
        Traceback (most recent call last):
            ...
        ValueError: x values must be strictly increasing
        >>> vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], math.nan)
        nan
    """

def lagrange_interpolate(x: Vector, y: Vector, query: Real) -> float:
    """The interpolating polynomial through (x, y), in Lagrange form,
    evaluated at ``query``.

    Args:
        x: strictly increasing abscissas, at least two; a NaN among them
            fails as not increasing.
        y: the ordinates, as many as ``x``.
        query: where to evaluate; outside the data it extrapolates. A NaN
            query gives NaN.

    Returns:
        The interpolated value.

    Raises:
        ValueError: "x and y must have matching length of at least two";
            "x values must be strictly increasing".

    Examples:
        >>> vexari.lagrange_interpolate([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 3.0)
        13.0
        >>> vexari.lagrange_interpolate([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 0.5)
        1.75
        >>> vexari.lagrange_interpolate([0.0], [1.0], 5.0)
        Traceback (most recent call last):
            ...
        ValueError: x and y must have matching length of at least two
    """

def finite_difference(values: Vector, spacing: Real) -> list[float]:
    """Derivative of equally spaced samples: forward difference at the first
    point, central differences inside, backward difference at the last.

    Args:
        values: the samples, at least two.
        spacing: the distance between samples; nonzero, may be negative.

    Returns:
        As many derivative estimates as ``values``.

    Raises:
        ValueError: "need at least two values and nonzero spacing".

    Examples:
        >>> vexari.finite_difference([0.0, 1.0, 4.0, 9.0], 1.0)
        [1.0, 2.0, 4.0, 5.0]
        >>> vexari.finite_difference([1.0, 3.0], 0.5)
        [4.0, 4.0]
        >>> vexari.finite_difference([1.0, 2.0], 0.0)
        Traceback (most recent call last):
            ...
        ValueError: need at least two values and nonzero spacing
    """

# Polynomials (coefficient lists, constant term first)

def polyval(coefficients: Vector, x: Real) -> float:
    """Value of a polynomial by Horner's scheme.

    Args:
        coefficients: constant term first.
        x: where to evaluate.

    Returns:
        The value (0.0 for ``[]``).

    Examples:
        >>> vexari.polyval([1.0, 2.0, 3.0], 2.0)
        17.0
        >>> vexari.polyval([], 5.0)
        0.0
    """

def polyder(coefficients: Vector) -> list[float]:
    """Derivative of a polynomial.

    Args:
        coefficients: constant term first.

    Returns:
        coefficients[i] * i for i >= 1; ``[]`` for a constant or empty polynomial.

    Examples:
        >>> vexari.polyder([1.0, 2.0, 3.0])
        [2.0, 6.0]
        >>> vexari.polyder([3.0])
        []
    """

def polyint(coefficients: Vector, constant: Real = 0.0) -> list[float]:
    """Antiderivative of a polynomial.

    Args:
        coefficients: constant term first.
        constant: the antiderivative's constant term.

    Returns:
        ``[constant]`` followed by coefficients[i] / (i + 1).

    Examples:
        >>> vexari.polyint([2.0, 6.0], 1.0)
        [1.0, 2.0, 3.0]
        >>> vexari.polyint([])
        [0.0]
    """

def polyadd(left: Vector, right: Vector) -> list[float]:
    """Sum of two polynomials.

    Args:
        left: constant term first.
        right: constant term first.

    Returns:
        As long as the longer operand; cancelled terms are kept.

    Examples:
        >>> vexari.polyadd([1.0, 2.0], [1.0, -2.0])
        [2.0, 0.0]
        >>> vexari.polyadd([1.0], [0.0, 0.0, 3.0])
        [1.0, 0.0, 3.0]
        >>> vexari.polyadd([], [])
        []
    """

def polymul(left: Vector, right: Vector) -> list[float]:
    """Product of two polynomials.

    Args:
        left: constant term first.
        right: constant term first.

    Returns:
        len(left) + len(right) - 1 coefficients (``[]`` if either is empty).

    Examples:
        >>> vexari.polymul([1.0, 1.0], [1.0, 1.0])
        [1.0, 2.0, 1.0]
        >>> vexari.polymul([], [1.0])
        []
    """

def polyroot(coefficients: Vector, guess: Real, tol: Real = 1e-10, max_iter: Count = 50) -> float:
    """One real root of a polynomial by Newton's method, as ``newton`` does it.

    Args:
        coefficients: constant term first.
        guess: starting point.
        tol: convergence tolerance, as for ``newton``.
        max_iter: iteration budget; 0 returns ``guess``.

    Returns:
        The root; an unconverged run returns the last iterate without error.

    Raises:
        ValueError: "tangent slope is too small for Newton step" (e.g. for a
            constant or empty polynomial).

    Examples:
        >>> vexari.polyroot([-2.0, 0.0, 1.0], 1.0)
        1.4142135623730951
        >>> vexari.polyroot([], 3.0, max_iter=0)
        3.0
        >>> vexari.polyroot([1.0, 0.0, 1.0], 0.0)
        Traceback (most recent call last):
            ...
        ValueError: tangent slope is too small for Newton step
    """

# Signal processing

def moving_average(values: Vector, window: Count) -> list[float]:
    """Trailing moving average, kept as a running sum.

    Args:
        values: the signal.
        window: the number of values averaged; the first window - 1 outputs
            average the values seen so far.

    Returns:
        As many averages as ``values``. A non-finite sample affects only the
        windows that hold it: such a window averages to NaN if it holds a NaN
        or both infinities, to +-inf if it holds one infinity; every other
        window is the plain average, so
        ``moving_average([1, inf, 1, 1, 1], 2)`` is ``[1, inf, inf, 1, 1]``.

    Raises:
        ValueError: "window and values must be nonempty".

    Examples:
        >>> vexari.moving_average([1.0, 2.0, 3.0, 4.0], 2)
        [1.0, 1.5, 2.5, 3.5]
        >>> vexari.moving_average([1.0, 2.0, 3.0, 4.0], 10)
        [1.0, 1.5, 2.0, 2.5]
        >>> vexari.moving_average([1.0, math.inf, 1.0, 1.0, 1.0], 2)
        [1.0, inf, inf, 1.0, 1.0]
    """

def exponential_smooth(values: Vector, alpha: Real) -> list[float]:
    """Exponential smoothing: s_0 = v_0, s_i = (1 - alpha) * s_(i-1) + alpha * v_i.

    Args:
        values: the signal.
        alpha: the smoothing factor, within [0, 1].

    Returns:
        As many smoothed values as ``values``.

    Raises:
        ValueError: "values must be nonempty and alpha must be within [0, 1]".

    Examples:
        >>> vexari.exponential_smooth([1.0, 2.0, 3.0], 0.5)
        [1.0, 1.5, 2.25]
        >>> vexari.exponential_smooth([1.0, 2.0, 3.0], 1.5)
        Traceback (most recent call last):
            ...
        ValueError: values must be nonempty and alpha must be within [0, 1]
    """

def convolve(signal: Vector, kernel: Vector) -> list[float]:
    """Full discrete convolution.

    Args:
        signal: the signal.
        kernel: the kernel.

    Returns:
        len(signal) + len(kernel) - 1 values.

    Raises:
        ValueError: "signal and kernel must be nonempty".

    Examples:
        >>> vexari.convolve([1.0, 2.0, 3.0], [0.0, 1.0, 0.5])
        [0.0, 1.0, 2.5, 4.0, 1.5]
        >>> vexari.convolve([2.0], [3.0])
        [6.0]
        >>> vexari.convolve([], [1.0])
        Traceback (most recent call last):
            ...
        ValueError: signal and kernel must be nonempty
    """

def normalize(values: Vector) -> list[float]:
    """Min-max scaling to [0, 1].

    Args:
        values: the signal; NaN entries are skipped for min and max and come
            out as NaN.

    Returns:
        (v - min) / (max - min) for every v; all zeros for constant input.

    Raises:
        ValueError: "values must be nonempty".

    Examples:
        >>> vexari.normalize([1.0, 2.0, 3.0])
        [0.0, 0.5, 1.0]
        >>> vexari.normalize([2.0, 2.0])
        [0.0, 0.0]
        >>> vexari.normalize([float("nan"), 1.0, 3.0])
        [nan, 0.0, 1.0]
    """

def find_peaks(values: Vector, threshold: Real) -> list[Peak]:
    """Strict local maxima at or above a threshold.

    Args:
        values: the signal; its first and last samples are never peaks, and
            neither are plateaus.
        threshold: the least value of a peak.

    Returns:
        ``[{"index", "value"}, ...]`` in increasing index order.

    Examples:
        >>> vexari.find_peaks([0.0, 2.0, 1.0, 3.0, 0.0], 1.5)
        [{'index': 1, 'value': 2.0}, {'index': 3, 'value': 3.0}]
        >>> vexari.find_peaks([0.0, 2.0, 1.0, 3.0, 0.0], 2.5)
        [{'index': 3, 'value': 3.0}]
        >>> vexari.find_peaks([0.0, 1.0, 1.0, 0.0], 0.0)
        []
    """
