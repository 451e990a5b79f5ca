// Pictures and pages as files. They are encoded in memory and their bytes go through the safe
// write (files/safe_file.h), since Qt's own file writing does not report every failed write:
// a full disk would leave a PNG without its end or a PDF without its trailer.
#pragma once

#include <QByteArray>
#include <QImage>
#include <string>

namespace gravon {

// False with the reason, naming the file, in error when it cannot be written; the file that
// was there is then left as it was.
bool save_png(const QImage& image, const std::string& fname, std::string& error);

// The encoded bytes, the same way.
bool save_encoded(const QByteArray& bytes, const std::string& fname, std::string& error);

} // namespace gravon
