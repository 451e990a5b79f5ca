// The platform's own style with the application's hint timing: a hint appears after half a
// second. A focused control shows its ring however the focus got there, not only after a key
// moved it: a Return or Space acts on that control.
#pragma once

#include <QProxyStyle>

namespace gravon {

class TAppStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returndata = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace gravon
