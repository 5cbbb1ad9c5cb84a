// Runs the core routines that no Python function reaches alone (the Jacobian, the copying solve)
// and prints what they return and how they called the function: "name value value ..." lines.

#include "core/derivative.hpp"
#include "core/linalg.hpp"

#include <cstdio>
#include <cstring>
#include <vector>

using namespace vexari::core;

namespace {

void print(const char* name, const Vector& values) {
    std::printf("%s", name);
    for (const double v : values) std::printf(" %.17g", v);
    std::printf("\n");
}

// Residuals of two variables with lengths[k - 1] components at call k (the last length repeats).
struct Residual {
    std::vector<std::size_t> lengths;
    std::vector<Vector>* calls;
    Vector operator()(const Vector& v) const {
        calls->push_back(v);
        const std::size_t k = calls->size() - 1;
        const std::size_t m = lengths[k < lengths.size() ? k : lengths.size() - 1];
        Vector r = v.size() < 2 ? Vector{} : Vector{v[0] * v[1], v[0] + v[1], v[0] - 4.0 * v[1]};
        r.resize(m, 7.0);
        return r;
    }
};

void jacobian_case(std::vector<std::size_t> lengths, Vector point) {
    std::vector<Vector> calls;
    const Outcome<Matrix> j = derivative::jacobian(Residual{std::move(lengths), &calls}, point);
    std::printf("calls %zu\n", calls.size());
    for (const Vector& c : calls) print("call", c);
    if (!j) {
        std::printf("error %.*s\n", static_cast<int>(j.error().message.size()), j.error().message.data());
        return;
    }
    std::printf("rows %zu\n", j->size());
    for (const Vector& row : *j) print("row", row);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const char* name = argv[1];
    if (!std::strcmp(name, "two_by_two")) jacobian_case({2}, {2.0, 3.0});
    else if (!std::strcmp(name, "empty_point")) jacobian_case({3}, {});
    else if (!std::strcmp(name, "no_components")) jacobian_case({0}, {2.0, 3.0});
    else if (!std::strcmp(name, "shrinks_at_4")) jacobian_case({3, 3, 3, 1}, {2.0, 3.0});
    else if (!std::strcmp(name, "empties_at_2")) jacobian_case({2, 0}, {2.0, 3.0});
    else if (!std::strcmp(name, "grows_at_5")) jacobian_case({2, 2, 2, 2, 3}, {2.0, 3.0});
    else if (!std::strcmp(name, "solve_copies")) {
        const Matrix a{{2.0, 1.0, -1.0}, {-3.0, -1.0, 2.0}, {-2.0, 1.0, 2.0}};
        const Vector b{8.0, -11.0, -3.0};
        print("copying", *linalg::solve(a, b));
        for (const Vector& row : a) print("matrix_after", row);
        print("rhs_after", b);
        print("consuming", *linalg::solve(Matrix(a), Vector(b)));
    } else {
        return 2;
    }
    return 0;
}
