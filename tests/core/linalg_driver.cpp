// Solves a system of the caller's shape, which no Python function can hand
// the core solver (they give it square systems only): "linalg_driver rows
// columns n" solves the rows x columns matrix with 2 on the diagonal and 1
// elsewhere for a right-hand side of n ones, and prints "x v..." or
// "error message".

#include "core/linalg.hpp"

#include <cstdio>
#include <cstdlib>

using namespace vexari::core;

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::size_t rows = std::strtoull(argv[1], nullptr, 10);
    const std::size_t columns = std::strtoull(argv[2], nullptr, 10);
    const std::size_t n = std::strtoull(argv[3], nullptr, 10);
    Matrix a(rows, Vector(columns, 1.0));
    for (std::size_t i = 0; i < rows && i < columns; ++i) a[i][i] = 2.0;
    const auto x = linalg::solve(std::move(a), Vector(n, 1.0));
    if (!x) {
        std::printf("error %.*s\n", static_cast<int>(x.error().message.size()), x.error().message.data());
        return 0;
    }
    std::printf("x");
    for (double v : *x) std::printf(" %.17g", v);
    std::printf("\n");
    return 0;
}
