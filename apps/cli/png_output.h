// --png: a picture of the phonetogram view, drawn by the window's own renderer.
#pragma once

#include "core/main_window.h"

#include <cstdint>
#include <string>

namespace gravon {

// Writes the view of the current phonetograms, width x height pixels, as a PNG file. False
// with the reason in error when it cannot.
bool write_phonetogram_png(TForm1& form, const std::string& fname, std::int32_t width,
                           std::int32_t height, std::string& error);

} // namespace gravon
