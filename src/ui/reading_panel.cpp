#include "ui/reading_panel.h"

#include "core/main_window.h"
#include "core/reading_passages.h"
#include "phonetogram/speech_profile.h"

namespace gravon {

TReadingPanel::TReadingPanel(TForm1& form, QWidget* parent) : QLabel(parent), fform(form) {
    setObjectName("readingpanel");
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    // Read from a step or two away: twice the window's type, dark on a pale ground that
    // stands apart from the map.
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 2.0);
    setFont(f);
    setMargin(fontMetrics().height() / 2);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 250, 230));
    p.setColor(QPalette::WindowText, QColor(20, 20, 20));
    setPalette(p);
    hide();
}

void TReadingPanel::refresh() {
    const bool show = fform.recording() && is_speech_task(fform.session().task);
    if (show) {
        const QString t = QString::fromStdString(reading_passage_text(fform.options));
        if (text() != t) setText(t);
    }
    if (isHidden() == show) setVisible(show);
}

} // namespace gravon
