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

// The file-name extension of fname, lower-cased, with its "." (empty when the file name has
// none; a "." in a folder name does not count).
std::string lowercase_extension(const std::string& fname);
// fname with the extension of its file name replaced by ext (which includes the "."), or ext
// appended when the file name has none.
std::string change_extension(const std::string& fname, const std::string& ext);
// fname without its folder.
std::string without_directory(const std::string& fname);

} // namespace gravon
