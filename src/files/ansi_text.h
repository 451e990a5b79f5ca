// Conversion between the program's text (UTF-8) and the 8-bit Windows-1252 ("ANSI") code page
// in which settings containers store their texts, so that files stay interchangeable with
// systems that write that code page.
#pragma once

#include <string>
#include <string_view>

namespace gravon {

// Characters without a Windows-1252 form become "?". Bytes that are not valid UTF-8 are taken
// to be 8-bit text already and are kept as they are.
std::string utf8_to_ansi(std::string_view s);
// Every byte has a meaning: the five bytes Windows-1252 leaves undefined map to the control
// characters of the same number, so ansi_to_utf8 followed by utf8_to_ansi is lossless.
std::string ansi_to_utf8(std::string_view s);

} // namespace gravon
