#include "png_output.h"

namespace gravon {

// The view's renderer (save_drawing_png) is not part of this build yet; until it is, the
// option is parsed and checked and says so instead of writing nothing silently.
bool write_phonetogram_png(TForm1&, const std::string&, std::int32_t, std::int32_t,
                           std::string& error) {
    error = "PNG output is not built yet";
    return false;
}

} // namespace gravon
