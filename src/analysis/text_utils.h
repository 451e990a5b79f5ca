// Small text utilities.
#pragma once

#include <string>

namespace gravon {

// The n-th field (from 1) of a comma-separated text; empty when n <= 0 or there are fewer.
std::string commafield(const std::string& s, int n);
// Inserts ins before the last "." of s, or appends it when s has no ".".
std::string insertbeforeext(const std::string& s, const std::string& ins);
// The first 100000 characters (UTF-8 code points) of s, with A..Z lower-cased.
std::string lowercase(const std::string& s);
// Every occurrence of old replaced by repl, left to right, without overlaps.
std::string replaceall(const std::string& s, const std::string& old, const std::string& repl);

} // namespace gravon
