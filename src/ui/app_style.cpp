#include "ui/app_style.h"

#include <QStyleOptionFocusRect>

namespace gravon {

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returndata) const {
    if (hint == SH_ToolTip_WakeUpDelay) return 500;
    return QProxyStyle::styleHint(hint, option, widget, returndata);
}

void TAppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
    if (element == PE_FrameFocusRect && option)
        if (const auto* o = qstyleoption_cast<const QStyleOptionFocusRect*>(option)) {
            QStyleOptionFocusRect shown(*o);
            shown.state |= State_KeyboardFocusChange;
            return QProxyStyle::drawPrimitive(element, &shown, painter, widget);
        }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

} // namespace gravon
