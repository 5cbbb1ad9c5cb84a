#include "build.hpp"

namespace vexari {

Ref to_python(std::span<const double> values) {
    return list_of(values, [](double value) { return to_python(value); });
}

Ref to_python(const Pair& pair) {
    Ref first = to_python(pair.first);
    Ref second = to_python(pair.second);
    return checked(PyTuple_Pack(2, first.get(), second.get()));
}

}  // namespace vexari
