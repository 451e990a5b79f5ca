#include "ui/statistics_window.h"

#include "base/number_text.h"
#include "core/main_window.h"
#include "core/profile_tables.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"
#include "ui/toolbar_keys.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

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
    // Ctrl+Tab leaves the memo, which keeps Tab for its own text.
    let_keyboard_reach(*toolbar);
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
    fform.set_short_statistics(b);
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
    // The change since the baseline is what a follow-up is read for: first, over the entire
    // areas, then the statistics of the selection.
    const std::vector<std::string> change = fform.comparison_text_lines(localedecimalseparator());
    for (const std::string& line : change) t += qtext(line) + "\n";
    if (!change.empty()) t += "\n";
    for (const std::string& line : lines) t += qtext(line) + "\n";
    // Below the selection's numbers, those of the whole profiles: summary, speech, contour.
    const std::vector<std::string> profiles = profile_text_lines(fform);
    if (!profiles.empty() && !lines.empty() && !lines.back().empty()) t += "\n";
    for (const std::string& line : profiles) t += qtext(line) + "\n";
    t.chop(1);
    const double textwidth = set_tab_stops(t);
    if (Memo1->toPlainText() != t) Memo1->setPlainText(t);
    // The change column is what a follow-up is read for, and the contour's columns are read
    // side by side: when either table appears, the window widens to show it whole, as far as
    // the screen allows. Only then, so that a window the user narrowed stays narrow.
    // Measured from the memo's parts, not from its viewport, which has no size of its own
    // before the window is first shown.
    if ((!change.empty() && !fcomparisonshown) || (!profiles.empty() && !fprofilesshown)) {
        const int chrome =
            2 * Memo1->frameWidth() + Memo1->verticalScrollBar()->sizeHint().width() +
            2 * int(std::ceil(Memo1->document()->documentMargin())) + Memo1->cursorWidth() + 2;
        const int want = int(std::ceil(textwidth)) + chrome;
        if (want > width()) {
            resize(want, height());
            if (isVisible()) fit_on_screen(*this);
        }
    }
    fcomparisonshown = !change.empty();
    fprofilesshown = !profiles.empty();
    // The rows are read from their first letter: never left scrolled sideways by an earlier
    // text, a wider one or the cursor of a copy.
    Memo1->horizontalScrollBar()->setValue(0);
}

void TForm6::copy_statistics() {
    Memo1->selectAll();
    QApplication::clipboard()->setText(Memo1->toPlainText());
    Memo1->horizontalScrollBar()->setValue(0);
}

double TForm6::set_tab_stops(const QString& text) {
    // Each column starts after the widest entry of the columns before it, measured in the
    // font shown: a long value never runs into the column of the next phonetogram, where it
    // would be read as that one's. At least every 70 dialog units (a quarter of the average
    // character width each), as the columns have always been spaced.
    const QFontMetricsF fm(Memo1->font());
    const double least = 70.0 * fm.averageCharWidth() / 4.0;
    const double gap = 2 * fm.horizontalAdvance(QLatin1Char(' '));
    std::vector<double> widths;
    struct tend {
        std::size_t last; // the line's last field
        double width;     // its width
        bool tabbed;      // a tab follows it, which the line's layout reaches to
    };
    std::vector<tend> ends;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        qsizetype last = fields.size() - 1;
        while (last > 0 && fields[last].isEmpty()) --last;
        ends.push_back(
            {std::size_t(last), fm.horizontalAdvance(fields[last]), last + 1 < fields.size()});
        // The last field of a line needs no room after it.
        for (qsizetype i = 0; i + 1 < fields.size(); ++i) {
            if (std::size_t(i) >= widths.size()) widths.resize(std::size_t(i) + 1, 0.0);
            widths[std::size_t(i)] =
                std::max(widths[std::size_t(i)], fm.horizontalAdvance(fields[i]) + gap);
        }
    }
    QList<QTextOption::Tab> tabs;
    double x = 0;
    for (double w : widths) {
        x += std::max(w, least);
        tabs.append(QTextOption::Tab(x, QTextOption::LeftTab));
    }
    QTextOption option = Memo1->document()->defaultTextOption();
    option.setTabs(tabs);
    option.setTabStopDistance(least);
    Memo1->document()->setDefaultTextOption(option);
    double widest = 0;
    for (const tend& e : ends) {
        const double start =
            e.last == 0
                ? 0
                : tabs[qsizetype(std::min<std::size_t>(e.last, std::size_t(tabs.size()))) - 1]
                      .position;
        double end = start + e.width;
        // Every field followed by a tab has its own stop, so this one's is there.
        if (e.tabbed) end = std::max(end, tabs[qsizetype(e.last)].position);
        widest = std::max(widest, end);
    }
    return widest;
}

void TForm6::showEvent(QShowEvent* e) {
    refresh();
    QDialog::showEvent(e);
    // Showing lays the memo out and may scroll it to its cursor.
    QTimer::singleShot(0, this, [this] { Memo1->horizontalScrollBar()->setValue(0); });
}

} // namespace gravon
