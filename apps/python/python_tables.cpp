#include "python_tables.h"

#include <cstdint>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace gravon {

namespace {

py::object column_array(const tcolumn& c) {
    if (c.is_text()) {
        py::list texts;
        for (const std::string& s : c.texts) texts.append(py::str(s));
        return py::module_::import("numpy").attr("array")(texts, py::arg("dtype") = "object");
    }
    if (c.kind == tcolumnkind::integer) {
        py::array_t<std::int64_t> a(py::ssize_t(c.numbers.size()));
        auto out = a.mutable_unchecked<1>();
        for (std::size_t i = 0; i < c.numbers.size(); ++i)
            out(py::ssize_t(i)) = std::int64_t(c.numbers[i]);
        return std::move(a);
    }
    py::array_t<double> a(py::ssize_t(c.numbers.size()));
    auto out = a.mutable_unchecked<1>();
    for (std::size_t i = 0; i < c.numbers.size(); ++i) out(py::ssize_t(i)) = c.numbers[i];
    return std::move(a);
}

} // namespace

py::dict table_arrays(const ttable& t) {
    py::dict d;
    for (const tcolumn& c : t.columns) d[py::str(c.name)] = column_array(c);
    return d;
}

py::dict table_row(const ttable& t, std::size_t row) {
    py::dict d;
    for (const tcolumn& c : t.columns) {
        if (c.is_text())
            d[py::str(c.name)] = py::str(c.texts[row]);
        else if (c.kind == tcolumnkind::integer)
            d[py::str(c.name)] = py::int_(std::int64_t(c.numbers[row]));
        else
            d[py::str(c.name)] = py::float_(c.numbers[row]);
    }
    return d;
}

} // namespace gravon
