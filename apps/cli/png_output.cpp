#include "png_output.h"

#include "ui/view_renderer.h"

namespace gravon {

bool write_phonetogram_png(TForm1& form, const std::string& fname, std::int32_t width,
                           std::int32_t height, std::string& error) {
    return save_drawing_png(form, fname, QSize(width, height), error);
}

} // namespace gravon
