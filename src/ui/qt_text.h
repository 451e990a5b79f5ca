// Text between the core's UTF-8 strings and Qt's strings.
#pragma once

#include <QString>
#include <string>

namespace gravon {

inline QString qtext(const std::string& s) {
    return QString::fromStdString(s);
}
inline std::string stdtext(const QString& s) {
    return s.toStdString();
}

} // namespace gravon
