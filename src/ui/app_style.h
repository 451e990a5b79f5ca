// The platform's own style with the application's hint timing: a hint appears after half a
// second.
#pragma once

#include <QProxyStyle>

namespace gravon {

class TAppStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returndata = nullptr) const override;
};

} // namespace gravon
