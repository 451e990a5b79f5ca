// Numbers as text: significant digits, the general "plain" form, decimal patterns, and the
// "."-separated forms that files store whatever the locale.
//
// Numbers shown to the user take the decimal separator of the global C++ locale
// (std::locale()); numbers stored in files always use ".". Nothing here goes through the C
// library's locale-dependent printf/strtod, so a comma locale can never leak into a file.
//
// Rounding to a number of digits works on the shortest decimal text that reads back as the
// same double and rounds halves away from zero, as numbers are rounded when written by hand:
// 12.5 with two digits is 13, 0.15 with one digit is 0.2.
#pragma once

#include <string>

namespace gravon {

// The decimal separator of the global C++ locale.
char localedecimalseparator();
// Numbers shown to the user from now on use these separators (the user's locale, which the
// desktop program reads at start-up); the rest of the program's locale stays the classic
// one, so that files keep ".". Until then, and in the headless program, "." is used.
void setshownseparators(char decimalseparator, char thousandsseparator);

// x with n significant digits (n limited to 1 ... 17): the shorter of the exponent form
// (mantissa with n - 1 decimals, "E", exponent with a sign only when negative, e.g. 2.205E2)
// and the shortest plain decimal text of the rounded value; the plain text when both are
// equally long. 220.46, 4 -> "220.5"; 0.000123456, 3 -> "1.23E-4"; 1234567, 3 -> "1.23E6".
// Locale decimal separator. NaN and infinities give "NAN", "INF", "-INF".
std::string sigdigits(int n, double x);

// x rounded to n significant digits (n limited to 1 ... 17), then written as by
// floattostrdot. Used for numbers in file headers. Empty text for NaN and infinities.
std::string roundsigdigits(int n, double x);

// Plain number text: general format with at most 15 significant digits, trailing zeros and
// an unneeded separator dropped; fixed notation when 0.00001 <= |x| < 1E15 (after rounding),
// otherwise scientific with "E" and an exponent without leading zeros and with a sign only
// when negative (1E20, 1.5E-7). Locale decimal separator. "NAN", "INF", "-INF" for
// non-finite values.
std::string floattostr(double x);

// Plain number text with "." as the separator whatever the locale. A stored number must read
// back, so NaN and infinities, which have no stored form, give empty text.
std::string floattostrdot(double x);
// The same appended to out.
void appendfloattostrdot(std::string& out, double x);

// Parses s with "." as the separator: optional blanks, an optional sign, digits with an
// optional "." (at least one digit), an optional exponent ("E" or "e", optional sign,
// digits), optional blanks. Raises EConvertError "Cannot convert empty string to number" for
// empty text and "'" + s + "' is not a valid floating point value" for anything else that is
// not such a number, including "NAN"/"INF" and values beyond the range of a double. Values
// too small for a double read as zero.
double strtofloatdot(const std::string& s);

// x in a decimal pattern, as in "0.######", "0.0", "#,##0.00", "0.000E+00":
// "0" a digit that is always written, "#" a digit written only when significant, the first
// "." the decimal point, "," anywhere before it groups thousands, "E+"/"E-"/"e+"/"e-"
// followed by "0"s an exponent (sign always / only when negative, at least that many digits),
// text in single or double quotes and any other character literally; up to three sections
// separated by ";" for positive, negative (written without an automatic minus) and zero
// values. An empty pattern gives the plain number text. Locale separators; "NAN", "INF",
// "-INF" for non-finite values.
std::string formatfloat(const std::string& pattern, double x);

// formatfloat with "." as the decimal separator and "," for thousands, whatever the locale.
// Empty text for NaN and infinities.
std::string formatfloatdot(const std::string& pattern, double x);

} // namespace gravon
