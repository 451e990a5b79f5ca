// Pictures as PNG files. The image is encoded in memory and its bytes go through the safe
// write (files/safe_file.h), since Qt's own file writing does not report every failed write:
// a full disk would leave a PNG without its end.
#pragma once

#include <QImage>
#include <string>

namespace gravon {

// False with the reason, naming the file, in error when it cannot be written; the file that
// was there is then left as it was.
bool save_png(const QImage& image, const std::string& fname, std::string& error);

} // namespace gravon
