#include "ui/png_file.h"

#include "base/errors.h"
#include "files/safe_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>

namespace gravon {

bool save_png(const QImage& image, const std::string& fname, std::string& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (image.isNull() || !writer.write(image)) {
        error = "Cannot write " + fname + ": the picture cannot be made" +
                (image.isNull() ? std::string() : " (" + writer.errorString().toStdString() + ")");
        return false;
    }
    return save_encoded(bytes, fname, error);
}

bool save_encoded(const QByteArray& bytes, const std::string& fname, std::string& error) {
    try {
        write_file_safely(fname, std::string_view(bytes.constData(), std::size_t(bytes.size())));
    } catch (const EGravonError& e) {
        error = e.what();
        return false;
    }
    return true;
}

} // namespace gravon
