#include "ui/options_dialog.h"

#include "core/main_window.h"
#include "ui/field_failure.h"
#include "ui/list_fit.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace gravon {

namespace {

// The switches of the condensed statistics, in the order of their group.
struct tstatsswitch {
    const char* caption;
    bool tstatisticsrows::*field;
    const char* name;
};
constexpr tstatsswitch statsswitches[] = {
    {"Phonetogram area", &tstatisticsrows::showstatsarea, "showstatsarea"},
    {"Taken time", &tstatisticsrows::showstatstakentime, "showstatstakentime"},
    {"Recorded time", &tstatisticsrows::showstatsrecordedtime, "showstatsrecordedtime"},
    {"Average fo", &tstatisticsrows::showstatsavgf0, "showstatsavgf0"},
    {"fo median", &tstatisticsrows::showstatsf0median, "showstatsf0median"},
    {"fo mode", &tstatisticsrows::showstatsf0mode, "showstatsf0mode"},
    {"Min fo", &tstatisticsrows::showstatsminf0, "showstatsminf0"},
    {"Max fo", &tstatisticsrows::showstatsmaxf0, "showstatsmaxf0"},
    {"fo range", &tstatisticsrows::showstatsf0range, "showstatsf0range"},
    {"SPL range", &tstatisticsrows::showstatssplrange, "showstatssplrange"},
    {"Leq", &tstatisticsrows::showstatsleq, "showstatsleq"},
    {"Min SPL", &tstatisticsrows::showstatsminspl, "showstatsminspl"},
    {"Max SPL", &tstatisticsrows::showstatsmaxspl, "showstatsmaxspl"},
    {"Mic distance", &tstatisticsrows::showstatsdistance, "showstatsdistance"},
    {"Actual mic distance", &tstatisticsrows::showstatsactualdistance, "showstatsactualdistance"},
    {"Intercept", &tstatisticsrows::showstatsm, "showstatsm"},
    {"Slope", &tstatisticsrows::showstatsk, "showstatsk"},
    {"Correlation (r)", &tstatisticsrows::showstatsr, "showstatsr"},
    {"Frequencies", &tstatisticsrows::showstatsf0asfreqs, "showstatsf0asfreqs"},
    {"Semitones", &tstatisticsrows::showstatsf0assemitones, "showstatsf0assemitones"},
    {"Notes", &tstatisticsrows::showstatsf0asnotes, "showstatsf0asnotes"},
};
constexpr int nstatsrows = 18; // the rest are the "Show f0 as" group

template <typename T> T* named(T* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QLineEdit* edit(const char* name) {
    return named(new QLineEdit, name);
}

void fill_checklist(QListWidget* list, const std::vector<std::string>& names,
                    const std::vector<bool>& ticks, std::size_t firsttick) {
    list->clear();
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(qtext(names[i]), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const std::size_t t = i + firsttick;
        item->setCheckState(t < ticks.size() && ticks[t] ? Qt::Checked : Qt::Unchecked);
    }
    // The layers' names grow with the layers; the list grows with them.
    show_whole_items(*list);
}

void read_checklist(const QListWidget* list, std::vector<bool>& ticks, std::size_t firsttick) {
    for (int i = 0; i < list->count(); ++i) {
        const std::size_t t = std::size_t(i) + firsttick;
        if (t < ticks.size()) ticks[t] = list->item(i)->checkState() == Qt::Checked;
    }
}

} // namespace

TForm5::TForm5(TForm1& form, QWidget* parent) : TSettingsDialog(parent), fform(form) {
    setObjectName("Form5");
    setWindowTitle("Options");
    resize(776, 502);
    tabs = named(new QTabWidget, "PageControl1");
    tabs->addTab(new tscrollpage(make_display_page()), "Display");
    tabs->addTab(new tscrollpage(make_target_page()), "Target");
    tabs->addTab(new tscrollpage(make_noise_page()), "Headphone noise");
    tabs->addTab(new tscrollpage(make_keyboard_page()), "Keyboard");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    add_buttons(layout, "Reset all options...",
                {[this] { return apply_options(); }, [this] { fform.save_settings(""); },
                 [this] { reset_all_options(); }});
    // Never narrower than the captions need: a cut "Phonetogram ar..." helps nobody.
    resize(sizeHint().expandedTo(size()));
}

QWidget* TForm5::make_display_page() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* zrow = new QHBoxLayout;
    zrow->addWidget(new QLabel("Show darkness as"));
    zparamcombo = named(new QComboBox, "zparamcombo");
    zrow->addWidget(zparamcombo);
    grid->addLayout(zrow, 0, 0);

    const char* channelnames[2] = {"Left channel", "Right channel"};
    auto* channels = new QHBoxLayout;
    for (std::size_t ch = 0; ch < 2; ++ch) {
        auto* box = new QGroupBox(channelnames[ch]);
        auto* v = new QVBoxLayout(box);
        const std::string suffix = std::to_string(ch);
        showphonetogram[ch] =
            named(new QCheckBox("Show phonetogram"), ("showphonetogram" + suffix).c_str());
        showspectrum[ch] = named(new QCheckBox("Show spectrum"), ("showspectrum" + suffix).c_str());
        shownoise[ch] = named(new QCheckBox("Show noise"), ("shownoise" + suffix).c_str());
        showblob[ch] = named(new QCheckBox("Show blob"), ("showblob" + suffix).c_str());
        for (QCheckBox* c : {showphonetogram[ch], showspectrum[ch], shownoise[ch], showblob[ch]})
            v->addWidget(c);
        channels->addWidget(box);
    }
    grid->addLayout(channels, 1, 0);

    auto* fontbox = new QGroupBox("Axis font");
    auto* fontlayout = new QHBoxLayout(fontbox);
    fontpreview = named(new QLabel("120 dB 220 Hz"), "fontpreview");
    fontpreview->setFrameShape(QFrame::Panel);
    auto* fontbutton = named(new QPushButton("Change font..."), "fontbutton");
    connect(fontbutton, &QPushButton::clicked, this, &TForm5::change_font);
    fontlayout->addWidget(fontpreview, 1);
    fontlayout->addWidget(fontbutton);
    grid->addWidget(fontbox, 2, 0);

    lockaspectratio = named(new QCheckBox("Lock bin aspect ratio to 3:2"), "lockaspectratio");
    showlegend = named(new QCheckBox("Show legend"), "showlegend");
    showblackborder = named(new QCheckBox("Show black border on bins"), "showblackborder");
    showoutline = named(new QCheckBox("Show area outline"), "showoutline");
    auto* switches = new QVBoxLayout;
    for (QCheckBox* c : {lockaspectratio, showlegend, showblackborder, showoutline})
        switches->addWidget(c);
    switches->addStretch();
    grid->addLayout(switches, 3, 0);

    auto* statsbox = new QGroupBox("Condensed version area statistics");
    auto* statsgrid = new QGridLayout(statsbox);
    auto* f0asbox = new QGroupBox("Show f0 as");
    auto* f0as = new QVBoxLayout(f0asbox);
    int i = 0;
    for (const tstatsswitch& s : statsswitches) {
        auto* c = named(new QCheckBox(s.caption), s.name);
        statschecks.push_back(c);
        if (i < nstatsrows)
            statsgrid->addWidget(c, i % 9, i / 9);
        else
            f0as->addWidget(c);
        ++i;
    }
    statsgrid->addWidget(f0asbox, 0, 2, 4, 1);
    auto* lists = new QHBoxLayout;
    f0percentileschecklist = named(new QListWidget, "f0percentileschecklist");
    SPLpercentileschecklist = named(new QListWidget, "SPLpercentileschecklist");
    paramavgchecklist = named(new QListWidget, "paramavgchecklist");
    for (auto [caption, list] : {std::pair{"fo precentiles", f0percentileschecklist},
                                 std::pair{"SPL percentiles", SPLpercentileschecklist},
                                 std::pair{"Average of param.", paramavgchecklist}}) {
        auto* v = new QVBoxLayout;
        v->addWidget(new QLabel(caption));
        v->addWidget(list);
        lists->addLayout(v);
    }
    statsgrid->addLayout(lists, 9, 0, 1, 3);
    grid->addWidget(statsbox, 0, 1, 4, 1);
    return page;
}

QWidget* TForm5::make_target_page() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    showtargetcheck = named(new QCheckBox("Show target button/menu"), "showtargetcheck");
    v->addWidget(showtargetcheck);
    auto* defaultbox = new QGroupBox("Default target position");
    auto* d = new QGridLayout(defaultbox);
    f0targetedit = edit("f0targetedit");
    leveltargetedit = edit("leveltargetedit");
    d->addWidget(new QLabel("fo [Hz]"), 0, 0);
    d->addWidget(f0targetedit, 0, 1);
    d->addWidget(new QLabel("SPL [dB]"), 1, 0);
    d->addWidget(leveltargetedit, 1, 1);
    v->addWidget(defaultbox);
    v->addWidget(new QLabel("Additional target positions (avalable on menu)"));
    targetsgrid = named(new QTableWidget(0, 3), "targetsgrid");
    targetsgrid->setHorizontalHeaderLabels({"", "fo [Hz]", "Level [dB]"});
    targetsgrid->verticalHeader()->hide();
    targetsgrid->setColumnWidth(0, 50);
    targetsgrid->setColumnWidth(1, 100);
    targetsgrid->setColumnWidth(2, 100);
    targetsgrid->setTabKeyNavigation(true);
    targetsgrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(targetsgrid, &QTableWidget::currentCellChanged, this, &TForm5::fix_targetbuttons);
    connect(targetsgrid, &QTableWidget::cellClicked, this, &TForm5::fix_targetbuttons);
    v->addWidget(targetsgrid);
    auto* buttons = new QHBoxLayout;
    targetupbutton = named(new QPushButton("Up"), "targetupbutton");
    targetdownbutton = named(new QPushButton("Down"), "targetdownbutton");
    addtargetbutton = named(new QPushButton("Add target"), "addtargetbutton");
    deletetargetbutton = named(new QPushButton("Delete target"), "deletetargetbutton");
    connect(targetupbutton, &QPushButton::clicked, this, &TForm5::target_up);
    connect(targetdownbutton, &QPushButton::clicked, this, &TForm5::target_down);
    connect(addtargetbutton, &QPushButton::clicked, this, &TForm5::add_target);
    connect(deletetargetbutton, &QPushButton::clicked, this, &TForm5::delete_target);
    for (QPushButton* b : {targetupbutton, targetdownbutton, addtargetbutton, deletetargetbutton})
        buttons->addWidget(b);
    v->addLayout(buttons);
    return page;
}

QWidget* TForm5::make_noise_page() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Noise level [dB]"));
    noiseleveledit = edit("noiseleveledit");
    row->addWidget(noiseleveledit);
    // A number needs a few characters, not the width of the dialog.
    row->addStretch(1);
    v->addLayout(row);
    auto* box = named(new QGroupBox("Noise spectrum"), "noisespectrumradio");
    auto* b = new QVBoxLayout(box);
    pinkradio = named(new QRadioButton("Pink"), "pinkradio");
    whiteradio = named(new QRadioButton("White noise lowpassed (-6dB/oct) at 2 kHz"), "whiteradio");
    b->addWidget(pinkradio);
    b->addWidget(whiteradio);
    v->addWidget(box);
    softnoiseonset = named(new QCheckBox("Use soft onset"), "softnoiseonset");
    v->addWidget(softnoiseonset);
    v->addStretch();
    return page;
}

QWidget* TForm5::make_keyboard_page() {
    auto* page = new QWidget;
    auto* g = new QGridLayout(page);
    npartialsedit = edit("npartialsedit");
    slopeedit = edit("slopeedit");
    keyboardleveledit = edit("keyboardleveledit");
    g->addWidget(new QLabel("Number of harmonics"), 0, 0);
    g->addWidget(npartialsedit, 0, 1);
    g->addWidget(new QLabel("Source slope [dB/oct]"), 1, 0);
    g->addWidget(slopeedit, 1, 1);
    g->addWidget(new QLabel("Level [dB]"), 2, 0);
    g->addWidget(keyboardleveledit, 2, 1);
    voicelike = named(new QCheckBox("Voice-like sound (use formants)"), "voicelike");
    g->addWidget(voicelike, 3, 0, 1, 2);
    g->setRowStretch(4, 1);
    g->setColumnStretch(2, 1);
    return page;
}

void TForm5::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TForm5::FormShow() {
    show_page(options_page_of(fform));
    fontpreview->setFont(faxisfont);
}

void TForm5::show_page(const toptionspage& p) {
    voicelike->setChecked(p.voicelike);
    npartialsedit->setText(qtext(p.npartialsedit));
    slopeedit->setText(qtext(p.slopeedit));
    keyboardleveledit->setText(qtext(p.keyboardleveledit));
    lockaspectratio->setChecked(p.lockaspectratio);
    zparamcombo->clear();
    for (const std::string& n : p.zparamnames) zparamcombo->addItem(qtext(n));
    zparamcombo->setCurrentIndex(p.zparam < zparamcombo->count() ? p.zparam : -1);
    showlegend->setChecked(p.showlegend);
    showblackborder->setChecked(p.showblackborder);
    showoutline->setChecked(p.showoutline);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        showphonetogram[ch]->setChecked(p.showphonetogram[ch]);
        showspectrum[ch]->setChecked(p.showspectrum[ch]);
        shownoise[ch]->setChecked(p.shownoise[ch]);
        showblob[ch]->setChecked(p.showblob[ch]);
    }
    for (std::size_t i = 0; i < statschecks.size(); ++i)
        statschecks[i]->setChecked(p.stats.*statsswitches[i].field);
    fill_checklist(f0percentileschecklist, p.percentilenames, p.stats.showf0percentile, 0);
    fill_checklist(SPLpercentileschecklist, p.percentilenames, p.stats.showSPLpercentile, 0);
    fill_checklist(paramavgchecklist, p.paramavgnames, p.stats.showstatsparam, 2);
    f0targetedit->setText(qtext(p.f0targetedit));
    leveltargetedit->setText(qtext(p.leveltargetedit));
    showtargetcheck->setChecked(p.showtargetcheck);
    show_grid(p.targetsgrid);
    (p.noisespectrum == 1 ? whiteradio : pinkradio)->setChecked(true);
    noiseleveledit->setText(qtext(p.noiseleveledit));
    softnoiseonset->setChecked(p.softnoiseonset);
}

toptionspage TForm5::page() const {
    // Starts from the fields so that the lists have their lengths.
    toptionspage p = options_page_of(fform);
    p.voicelike = voicelike->isChecked();
    p.npartialsedit = stdtext(npartialsedit->text());
    p.slopeedit = stdtext(slopeedit->text());
    p.keyboardleveledit = stdtext(keyboardleveledit->text());
    p.lockaspectratio = lockaspectratio->isChecked();
    if (zparamcombo->currentIndex() >= 0) p.zparam = zparamcombo->currentIndex();
    p.showlegend = showlegend->isChecked();
    p.showblackborder = showblackborder->isChecked();
    p.showoutline = showoutline->isChecked();
    for (std::size_t ch = 0; ch < 2; ++ch) {
        p.showphonetogram[ch] = showphonetogram[ch]->isChecked();
        p.showspectrum[ch] = showspectrum[ch]->isChecked();
        p.shownoise[ch] = shownoise[ch]->isChecked();
        p.showblob[ch] = showblob[ch]->isChecked();
    }
    for (std::size_t i = 0; i < statschecks.size(); ++i)
        p.stats.*statsswitches[i].field = statschecks[i]->isChecked();
    read_checklist(f0percentileschecklist, p.stats.showf0percentile, 0);
    read_checklist(SPLpercentileschecklist, p.stats.showSPLpercentile, 0);
    read_checklist(paramavgchecklist, p.stats.showstatsparam, 2);
    p.f0targetedit = stdtext(f0targetedit->text());
    p.leveltargetedit = stdtext(leveltargetedit->text());
    p.showtargetcheck = showtargetcheck->isChecked();
    p.targetsgrid = grid();
    p.noisespectrum = whiteradio->isChecked() ? 1 : 0;
    p.noiseleveledit = stdtext(noiseleveledit->text());
    p.softnoiseonset = softnoiseonset->isChecked();
    return p;
}

QFont TForm5::preview_font() const {
    return fontpreview->font();
}

bool TForm5::apply_options() {
    const QFont font = fontpreview->font();
    tapplyresult r = apply_options_page(fform, page(), [&] {
        faxisfont = font;
        emit axis_font_applied(font);
    });
    // The grid's heading is the table's header, not one of its rows.
    if (r && r->field == "targetsgrid") --r->row;
    return !show_field_failure(*this, fform.ui, r);
}

void TForm5::reset_all_options() {
    if (gravon::reset_all_options(fform)) FormShow();
}

void TForm5::change_font() {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, fontpreview->font(), this);
    if (ok) fontpreview->setFont(f);
}

// ---- the grid of additional targets ------------------------------------------------------

ttargetgrid TForm5::grid() const {
    ttargetgrid g = target_grid_of({}); // the heading row
    for (int r = 0; r < targetsgrid->rowCount(); ++r) {
        std::array<std::string, 3> row;
        for (int c = 0; c < 3; ++c)
            if (const QTableWidgetItem* item = targetsgrid->item(r, c))
                row[std::size_t(c)] = stdtext(item->text());
        g.cells.push_back(row);
    }
    g.row = targetsgrid->currentRow() + 1; // the heading row is the table's header
    return g;
}

void TForm5::show_grid(const ttargetgrid& g) {
    const QSignalBlocker block(targetsgrid);
    targetsgrid->setRowCount(g.rowcount() - 1);
    for (int r = 1; r < g.rowcount(); ++r)
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(qtext(g.cells[std::size_t(r)][std::size_t(c)]));
            if (c == targetnumbercol) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            targetsgrid->setItem(r - 1, c, item);
        }
    const int col = std::max(targetsgrid->currentColumn(), targetf0col);
    targetsgrid->setCurrentCell(g.row - 1, g.row > 0 ? col : -1);
    fix_targetbuttons();
}

void TForm5::edit_grid(const std::function<void(ttargetgrid&)>& edit) {
    ttargetgrid g = grid();
    edit(g);
    show_grid(g);
}

void TForm5::add_target() {
    edit_grid([&](ttargetgrid& g) {
        add_target_row(g, stdtext(f0targetedit->text()), stdtext(leveltargetedit->text()));
    });
}

void TForm5::delete_target() {
    edit_grid(delete_target_row);
}

void TForm5::target_up() {
    edit_grid(move_target_row_up);
}

void TForm5::target_down() {
    edit_grid(move_target_row_down);
}

void TForm5::fix_targetbuttons() {
    const ttargetbuttons b = target_buttons(grid());
    deletetargetbutton->setText(qtext(b.deletecaption));
    deletetargetbutton->setEnabled(b.deleteenabled);
    targetupbutton->setText(qtext(b.upcaption));
    targetupbutton->setEnabled(b.upenabled);
    targetdownbutton->setText(qtext(b.downcaption));
    targetdownbutton->setEnabled(b.downenabled);
}

} // namespace gravon
