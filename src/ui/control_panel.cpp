#include "ui/control_panel.h"

#include "core/main_window.h"
#include "ui/list_fit.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace gravon {

namespace {

template <typename T> T* named(T* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QColor qcolor(TColor c) {
    return QColor(c.r, c.g, c.b);
}

void fill_list(QListWidget* list, const std::vector<std::string>& items,
               const std::vector<bool>& ticks, std::int32_t selected) {
    list->clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* item = new QListWidgetItem(qtext(items[i]), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticks[i] ? Qt::Checked : Qt::Unchecked);
    }
    list->setCurrentRow(selected);
    if (selected < 0) list->clearSelection();
}

std::vector<bool> ticks_of(const QListWidget* list) {
    std::vector<bool> ticks;
    for (int i = 0; i < list->count(); ++i)
        ticks.push_back(list->item(i)->checkState() == Qt::Checked);
    return ticks;
}

} // namespace

TForm8::TForm8(TForm1& form, QWidget* parent) : QDialog(parent), fform(form) {
    setObjectName("Form8");
    setWindowTitle("Phonetogram control panel");
    auto* left = new QWidget;
    auto* l = new QVBoxLayout(left);
    recchecklistbox = named(new QListWidget, "recchecklistbox");
    pgchecklistbox = named(new QListWidget, "pgchecklistbox");
    upbutton = named(new QPushButton("Upwards"), "upbutton");
    downbutton = named(new QPushButton("Downwards"), "downbutton");
    closebutton = named(new QPushButton("Close phonetogram"), "closebutton");
    openbutton = named(new QPushButton("Open phonetogram..."), "openbutton");
    l->addWidget(new QLabel("Show recordings"));
    l->addWidget(recchecklistbox);
    l->addWidget(new QLabel("Show phonetograms"));
    l->addWidget(pgchecklistbox, 1);
    auto* updown = new QHBoxLayout;
    updown->setSpacing(10);
    updown->addWidget(upbutton);
    updown->addWidget(downbutton);
    l->addLayout(updown);
    l->addWidget(closebutton);
    l->addWidget(openbutton);

    // An earlier session's phonetogram, loaded, is what the current one is judged against.
    auto* comparebox = named(new QGroupBox("Change since a baseline"), "comparebox");
    auto* cb = new QVBoxLayout(comparebox);
    baselinebox = named(new QCheckBox("Baseline of the current phonetogram"), "baselinebox");
    baselinebox->setToolTip("The selected stored phonetogram is the earlier session: the "
                            "statistics and the report show the change since it");
    comparedlabel = named(new QLabel, "comparedlabel");
    comparedlabel->setWordWrap(true);
    differencebox = named(new QCheckBox("Difference view"), "differencebox");
    differencebox->setToolTip("Colour the cells reached only in the baseline, only in the "
                              "current phonetogram, and in both");
    cb->addWidget(baselinebox);
    cb->addWidget(comparedlabel);
    cb->addWidget(differencebox);
    l->addWidget(comparebox);

    GroupBox1 = named(new QGroupBox("Properties"), "GroupBox1");
    auto* r = new QVBoxLayout(GroupBox1);
    propertiesmemo = named(new QPlainTextEdit, "propertiesmemo");
    propertiesmemo->setReadOnly(true);
    parameterslistbox = named(new QListWidget, "parameterslistbox");
    auto* colorbox = new QGroupBox("Color");
    auto* c = new QVBoxLayout(colorbox);
    ColorListBox1 = named(new QListWidget, "ColorListBox1");
    transparentradio = named(new QRadioButton("Transparent"), "transparentradio");
    opaqueradio = named(new QRadioButton("Opaque"), "opaqueradio");
    c->addWidget(ColorListBox1);
    c->addWidget(transparentradio);
    c->addWidget(opaqueradio);
    r->addWidget(propertiesmemo, 1);
    r->addWidget(new QLabel("Parameters"));
    r->addWidget(parameterslistbox, 1);
    r->addWidget(colorbox, 1);

    // Only while a reference group is selected.
    groupbox = named(new QGroupBox("Reference group"), "groupbox");
    auto* g = new QHBoxLayout(groupbox);
    groupsharespin = named(new QSpinBox, "groupsharespin");
    groupsharespin->setRange(1, 100);
    groupsharespin->setSuffix(" %");
    groupsharespin->setToolTip("The dashed outline encloses the cells at least this share of "
                               "the group reached; the solid one those half of it reached");
    auto* sharelabel = new QLabel("Dashed outline at");
    sharelabel->setBuddy(groupsharespin);
    g->addWidget(sharelabel);
    g->addWidget(groupsharespin);
    g->addStretch(1);
    r->addWidget(groupbox);

    auto* splitter = named(new QSplitter, "Splitter1");
    splitter->addWidget(left);
    splitter->addWidget(GroupBox1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    // The selected row, not the click, is what the panel acts on: the arrow keys select as
    // well as the mouse does. Not the current row, which Qt moves onto the first item when
    // Tab enters a list without one, though nothing was chosen. The lists are rebuilt
    // afterwards, outside the list's own handling of the key or the press.
    for (auto [list, chosen] : {std::pair{recchecklistbox, &TForm8::recording_clicked},
                                std::pair{pgchecklistbox, &TForm8::phonetogram_clicked}})
        connect(list, &QListWidget::itemSelectionChanged, this, [this, list, chosen] {
            const QList<QListWidgetItem*> items = list->selectedItems();
            if (ffilling || items.isEmpty()) return;
            const int row = list->row(items.front());
            QTimer::singleShot(0, this, [this, chosen, row] { (this->*chosen)(row); });
        });
    connect(recchecklistbox, &QListWidget::itemChanged, this, &TForm8::item_ticked);
    connect(pgchecklistbox, &QListWidget::itemChanged, this, &TForm8::item_ticked);
    connect(ColorListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!ffilling) color_clicked(row);
    });
    connect(transparentradio, &QRadioButton::clicked, this, [this] { set_opaque(false); });
    connect(opaqueradio, &QRadioButton::clicked, this, [this] { set_opaque(true); });
    connect(groupsharespin, &QSpinBox::valueChanged, this, [this](int v) {
        if (!ffilling) set_group_share(v);
    });
    connect(upbutton, &QPushButton::clicked, this, &TForm8::up);
    connect(downbutton, &QPushButton::clicked, this, &TForm8::down);
    connect(closebutton, &QPushButton::clicked, this, &TForm8::close_phonetogram);
    connect(baselinebox, &QCheckBox::clicked, this, &TForm8::set_baseline);
    connect(differencebox, &QCheckBox::clicked, this, &TForm8::set_difference_view);
}

void TForm8::set_open_action(QAction* action) {
    openbutton->disconnect();
    connect(openbutton, &QPushButton::clicked, action, &QAction::trigger);
    openbutton->setText(action->text());
    openbutton->setEnabled(action->isEnabled());
    connect(action, &QAction::changed, openbutton,
            [this, action] { openbutton->setEnabled(action->isEnabled()); });
}

void TForm8::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TForm8::FormShow() {
    fselection.recitem = -1;
    const QSignalBlocker block(ColorListBox1);
    ColorListBox1->clear();
    for (std::size_t i = 0; i < fform.pgcolor.size(); ++i) {
        QPixmap swatch(16, 16);
        swatch.fill(qcolor(fform.pgcolor[i]));
        const std::string name = i < fform.pgcolorname.size() ? fform.pgcolorname[i] : "";
        new QListWidgetItem(QIcon(swatch), qtext(name), ColorListBox1);
    }
    // Every colour name whole; a few rows of them, the rest a scroll away.
    show_whole_items(*ColorListBox1, 4);
    refresh_all();
}

void TForm8::refresh_all() {
    // The main window's refresh ends with this panel's own.
    fform.fix_things();
    fix_things();
}

void TForm8::fix_things() {
    const tpanelview v = control_panel_view(fform, fselection, fform.advanced.nsigdig);
    fselection = v.selection;
    ffilling = true;
    fill_list(recchecklistbox, v.recitems, v.recticks, v.selection.recitem);
    // The recordings' list is short: all of it, and no taller.
    show_whole_items(*recchecklistbox);
    recchecklistbox->setMaximumHeight(recchecklistbox->minimumHeight());
    fill_list(pgchecklistbox, v.pgitems, v.pgticks, v.selection.pgitem);
    GroupBox1->setTitle(qtext(v.groupcaption));
    closebutton->setText(qtext(v.closecaption));
    closebutton->setEnabled(v.closeenabled);
    upbutton->setEnabled(v.upenabled);
    downbutton->setEnabled(v.downenabled);
    baselinebox->setEnabled(v.baselineenabled);
    baselinebox->setChecked(v.baselinechecked);
    const std::int32_t b = fform.baseline_pg(), cur = fform.compared_pg();
    comparedlabel->setText(b < 0     ? QString("No baseline marked")
                           : cur < 0 ? QString("Baseline %1: nothing to compare it with yet").arg(b)
                                     : QString("Baseline %1, compared with %2: %3")
                                           .arg(b)
                                           .arg(cur)
                                           .arg(qtext(fform.pgs[std::size_t(cur)].pgname)));
    differencebox->setEnabled(cur >= 0);
    differencebox->setChecked(fform.differenceview && cur >= 0);
    // With nothing selected the properties are emptied rather than left showing a
    // phonetogram that may have been closed.
    parameterslistbox->clear();
    for (const std::string& p : v.parameters) parameterslistbox->addItem(qtext(p));
    ColorListBox1->setCurrentRow(v.colorindex);
    ColorListBox1->setEnabled(v.pgno >= 0);
    opaqueradio->setEnabled(v.pgno >= 0);
    transparentradio->setEnabled(v.pgno >= 0);
    opaqueradio->setChecked(v.opaque);
    transparentradio->setChecked(!v.opaque);
    groupbox->setVisible(v.referencegroup);
    groupsharespin->setValue(fform.options.groupshare);
    QString memo;
    for (const std::string& line : v.properties) memo += qtext(line) + "\n";
    memo.chop(1);
    propertiesmemo->setPlainText(memo);
    // The properties are read, not scrolled: room for each line and one that wraps.
    const int lines = int(v.properties.size()) + 1;
    propertiesmemo->setMinimumHeight(propertiesmemo->fontMetrics().lineSpacing() * lines +
                                     2 * propertiesmemo->frameWidth() +
                                     2 * int(propertiesmemo->document()->documentMargin()));
    ffilling = false;
}

void TForm8::select_phonetogram(int pgno) {
    fselection = selection_of_pg(pgno);
    fix_things();
}

void TForm8::recording_clicked(int item) {
    fselection = {item, -1};
    refresh_all();
}

void TForm8::phonetogram_clicked(int item) {
    fselection = {-1, item};
    refresh_all();
}

void TForm8::item_ticked(QListWidgetItem*) {
    if (ffilling) return;
    // The statistics and the status lines follow at the next refresh.
    set_visibility_from_ticks(fform, ticks_of(recchecklistbox), ticks_of(pgchecklistbox));
    fform.ui.request_repaint();
}

void TForm8::color_clicked(int index) {
    const std::int32_t s = selected_pg(fform, fselection);
    if (s < 0 || index < 0 || std::size_t(index) >= fform.pgcolor.size()) return;
    set_pgcolor(fform, s, index);
    fform.ui.request_repaint();
}

void TForm8::set_opaque(bool opaque) {
    const std::int32_t s = selected_pg(fform, fselection);
    if (s < 0) return;
    fform.set_opaque(s, opaque);
    fform.ui.request_repaint();
}

void TForm8::set_group_share(int percent) {
    fform.set_group_share(percent);
    fform.ui.request_repaint();
}

void TForm8::up() {
    if (!move_loaded_pg_up(fform, fselection)) return;
    fix_things();
    fform.ui.request_repaint();
}

void TForm8::down() {
    if (!move_loaded_pg_down(fform, fselection)) return;
    fix_things();
    fform.ui.request_repaint();
}

void TForm8::set_baseline(bool on) {
    const std::int32_t s = selected_pg(fform, fselection);
    fform.set_baseline_pg(s, on);
    fix_things();
    fform.ui.request_repaint();
}

void TForm8::set_difference_view(bool on) {
    fform.set_differenceview(on);
}

void TForm8::close_phonetogram() {
    if (!close_loaded_pg(fform, fselection)) return;
    refresh_all();
}

} // namespace gravon
