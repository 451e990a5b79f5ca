// Numbers shown to the user, with the decimal separator given by the caller.
//
// The number-text forms elsewhere take the separator from the global locale; these take it as
// an argument, so that the owner passes the user's separator and the same text can be built
// deterministically anywhere else. Non-finite values are written "NAN", "INF" and "-INF".
#pragma once

#include <string>

namespace gravon {

// sigdigits(n, x) with sep as the decimal separator.
std::string sigdigitssep(int n, double x, char sep = '.');

// Plain number text (at most 15 significant digits, trailing zeros dropped) with sep.
std::string floattostrsep(double x, char sep = '.');

// x in a decimal pattern such as "0.0" with sep as the decimal separator. Thousands
// groups, where a pattern asks for them, use "," or, when sep is itself ",", ".".
std::string formatfloatsep(const std::string& pattern, double x, char sep = '.');

// Replaces the decimal separator of a note name with cents ("A3 -4.5 cent") by sep.
std::string notenamesep(const std::string& name, char sep = '.');

// Parses a number typed with sep as the decimal separator. Text with a "." while sep is
// another character is not a number. Raises EConvertError "Cannot convert empty string to
// number" for empty text and "'" + s + "' is not a valid floating point value" otherwise.
double strtofloatsep(const std::string& s, char sep = '.');

} // namespace gravon
