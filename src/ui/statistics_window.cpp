#include "ui/statistics_window.h"

#include "base/number_text.h"
#include "core/main_window.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace gravon {

TForm6::TForm6(TForm1& form, QWidget* parent) : QDialog(parent), fform(form) {
    setObjectName("Form6");
    setWindowTitle("Area statistics");
    auto* toolbar = new QToolBar;
    Copyaction = new QAction("Copy statstics", this);
    Copyaction->setObjectName("Copyaction");
    connect(Copyaction, &QAction::triggered, this, &TForm6::copy_statistics);
    toolbar->addAction(Copyaction);
    condensedbutton = new QToolButton;
    condensedbutton->setObjectName("condensedbutton");
    condensedbutton->setText("Condensed version");
    condensedbutton->setCheckable(true);
    connect(condensedbutton, &QToolButton::clicked, this, &TForm6::condensed_clicked);
    toolbar->addWidget(condensedbutton);
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName("Memo1");
    Memo1->setTabChangesFocus(false);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setToolTip("Right-click for options...");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar);
    layout->addWidget(Memo1);
    // Room for the names and two or three phonetograms' columns without scrolling.
    resize(460, 560);
}

bool TForm6::shortversion() const {
    return fform.options.shortversion;
}

QString TForm6::text() const {
    return Memo1->toPlainText();
}

void TForm6::Setshortversion(bool b) {
    fform.options.shortversion = b;
    if (condensedbutton->isChecked() != b) condensedbutton->setChecked(b);
}

void TForm6::condensed_clicked(bool checked) {
    Setshortversion(checked);
    fform.fix_area_statistics();
    refresh();
}

void TForm6::refresh() {
    Setshortversion(fform.options.shortversion);
    const std::vector<std::string> lines =
        fform.statistics_text_lines(fform.options.shortversion, localedecimalseparator());
    QString t;
    for (const std::string& line : lines) t += qtext(line) + "\n";
    t.chop(1);
    if (Memo1->toPlainText() != t) Memo1->setPlainText(t);
}

void TForm6::copy_statistics() {
    Memo1->selectAll();
    QApplication::clipboard()->setText(Memo1->toPlainText());
}

void TForm6::set_tab_stops() {
    // Tab stops every 70 dialog units, a dialog unit being a quarter of the average
    // character width, so that the tab-separated columns line up.
    const double charwidth = QFontMetricsF(Memo1->font()).averageCharWidth();
    Memo1->setTabStopDistance(70.0 * charwidth / 4.0);
}

void TForm6::showEvent(QShowEvent* e) {
    set_tab_stops();
    refresh();
    QDialog::showEvent(e);
}

} // namespace gravon
