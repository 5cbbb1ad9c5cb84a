#pragma once
// The result shape shared by every optimizer.

#include "core/vector.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vexari::core {

// One record per iteration: the iterate at which it started, the objective
// there, and its direction (the gradient, or the Gauss-Newton step). Points and
// directions all have the run's dimension and are copied into two flat stores,
// so later moves of the iterate never reach a record and a long run allocates
// only as the stores double.
class OptimizeHistory {
public:
    OptimizeHistory() noexcept = default;
    explicit OptimizeHistory(std::size_t dimension) noexcept : dimension_(dimension) {}

    // point and direction must have the dimension given at construction.
    void record(std::uint64_t iteration, const Vector& point, double value, const Vector& direction) {
        iterations_.push_back(iteration);
        values_.push_back(value);
        points_.insert(points_.end(), point.begin(), point.end());
        directions_.insert(directions_.end(), direction.begin(), direction.end());
    }

    std::size_t size() const noexcept { return iterations_.size(); }
    std::uint64_t iteration(std::size_t i) const noexcept { return iterations_[i]; }
    double value(std::size_t i) const noexcept { return values_[i]; }
    std::span<const double> point(std::size_t i) const noexcept { return slice(points_, i); }
    std::span<const double> direction(std::size_t i) const noexcept { return slice(directions_, i); }

private:
    std::span<const double> slice(const Vector& store, std::size_t i) const noexcept {
        return std::span<const double>(store).subspan(i * dimension_, dimension_);
    }

    std::size_t dimension_ = 0;
    std::vector<std::uint64_t> iterations_;
    Vector values_;
    Vector points_;
    Vector directions_;
};

struct OptimizeResult {
    Vector point;
    double value;
    bool converged;
    std::uint64_t iterations;
    OptimizeHistory history;
};

}  // namespace vexari::core
