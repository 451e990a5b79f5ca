// The text of CSV fields as every table of the program writes them.
#pragma once

#include <string>

namespace gravon {

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string csv_field(const std::string& s);
// A number for CSV files: up to 9 significant digits, "." as the decimal separator; empty for
// a value that is not finite.
std::string csv_number(double v);

} // namespace gravon
