#include "ui/calibration_log_window.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace gravon {

TForm7::TForm7(QWidget* parent) : QDialog(parent) {
    setObjectName("Form7");
    setWindowTitle("Calibration log");
    resize(681, 384);
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

void TForm7::set_text(const QString& text) {
    Memo1->setPlainText(text);
}

QString TForm7::text() const {
    return Memo1->toPlainText();
}

} // namespace gravon
