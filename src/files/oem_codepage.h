// Text in the OEM (DOS) code page, as SMP headers and label files store it.
//
// The application's text is UTF-8. The OEM code page used is 850 (Multilingual Latin 1, the
// DOS code page of Western European systems); its lower half is ASCII, so the header text the
// application writes itself is unchanged by the conversion.
#pragma once

#include <string>

namespace gravon {

// OEM bytes to UTF-8. Every byte has a character, so this never fails.
std::string oemtotext(const std::string& oem);

// UTF-8 to OEM bytes. Characters without an OEM form, and bytes that are not valid UTF-8,
// become "?".
std::string texttooem(const std::string& text);

} // namespace gravon
