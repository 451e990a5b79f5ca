// The result tables as Python values: a table as a dict of NumPy arrays by column name, one
// row as a dict of Python scalars. Whole numbers become int64 arrays, the other numbers
// float64 (NaN where a value is missing), texts object arrays of str.
#pragma once

#include "core/result_table.h"

#include <pybind11/pybind11.h>

namespace gravon {

pybind11::dict table_arrays(const ttable& t);
pybind11::dict table_row(const ttable& t, std::size_t row);

} // namespace gravon
