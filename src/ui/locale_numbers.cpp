#include "ui/locale_numbers.h"

#include "base/number_text.h"

#include <QLocale>
#include <QString>

namespace gravon {

void show_numbers_in_user_locale() {
    const QLocale locale;
    const QString d = locale.decimalPoint(), g = locale.groupSeparator();
    // The number texts are 8-bit; a separator outside ASCII falls back to the usual pair.
    const auto ascii = [](const QString& s, char fallback) {
        return s.size() == 1 && s[0].unicode() < 128 ? char(s[0].unicode()) : fallback;
    };
    const char decimal = ascii(d, '.');
    char group = ascii(g, decimal == ',' ? '.' : ',');
    if (group == decimal) group = decimal == ',' ? '.' : ',';
    setshownseparators(decimal, group);
}

} // namespace gravon
