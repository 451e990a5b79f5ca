#include "ui/text_export_dialog.h"

#include "core/main_window.h"
#include "core/provenance.h"
#include "ui/field_failure.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace gravon {

namespace {

template <typename T> T* named(T* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QGroupBox* radio_group(const char* caption, const char* name, QButtonGroup*& group,
                       std::initializer_list<const char*> items, QObject* owner) {
    auto* box = named(new QGroupBox(caption), name);
    auto* v = new QVBoxLayout(box);
    group = new QButtonGroup(owner);
    group->setObjectName(name);
    int i = 0;
    for (const char* item : items) {
        auto* b = named(new QRadioButton(item), QString("%1%2").arg(name).arg(i));
        group->addButton(b, i++);
        v->addWidget(b);
    }
    return box;
}

} // namespace

TForm11::TForm11(TForm1& form, QWidget* parent) : QDialog(parent), fform(form) {
    setObjectName("Form11");
    setWindowTitle("Export phonetogram as text");
    phonetogramscombo = named(new QComboBox, "phonetogramscombo");
    channelschecklistbox = named(new QListWidget, "channelschecklistbox");
    connect(phonetogramscombo, &QComboBox::currentIndexChanged, this,
            &TForm11::phonetogramscomboClick);
    auto* allbutton = named(new QPushButton("All"), "allbutton");
    auto* nonebutton = named(new QPushButton("None"), "nonebutton");
    connect(allbutton, &QPushButton::clicked, this, &TForm11::allbuttonClick);
    connect(nonebutton, &QPushButton::clicked, this, &TForm11::nonebuttonClick);

    auto* left = new QVBoxLayout;
    left->addWidget(phonetogramscombo);
    left->addWidget(channelschecklistbox, 1);
    auto* allnone = new QHBoxLayout;
    allnone->addWidget(allbutton);
    allnone->addWidget(nonebutton);
    left->addLayout(allnone);

    auto* right = new QVBoxLayout;
    right->addWidget(radio_group("Column separator", "colsepradio", colsepradio,
                                 {"Tab", "Semicolon (;)", "Comma (,)", "Space"}, this));
    right->addWidget(radio_group("Decimal separator", "decsepradio", decsepradio,
                                 {"The system's default", "Period (.)", "Comma (,)"}, this));
    right->addWidget(radio_group("Frequency bin heading", "freqheadradio", freqheadradio,
                                 {"Center frequency", "MIDI code", "Musical note"}, this));
    right->addWidget(radio_group("Threshold", "thresholdradio", thresholdradio,
                                 {"Hide bins below threshold", "Show all bins"}, this));
    auto* ranges = new QGridLayout;
    loleveledit = named(new QLineEdit("40"), "loleveledit");
    hileveledit = named(new QLineEdit("120"), "hileveledit");
    lomidiedit = named(new QLineEdit("24"), "lomidiedit");
    himidiedit = named(new QLineEdit("95"), "himidiedit");
    ranges->addWidget(new QLabel("Level [dB]"), 0, 0);
    ranges->addWidget(loleveledit, 0, 1);
    ranges->addWidget(new QLabel("to"), 0, 2);
    ranges->addWidget(hileveledit, 0, 3);
    ranges->addWidget(new QLabel("fo [MIDI code]"), 1, 0);
    ranges->addWidget(lomidiedit, 1, 1);
    ranges->addWidget(new QLabel("to"), 1, 2);
    ranges->addWidget(himidiedit, 1, 3);
    auto* visible = named(new QPushButton("Use visible range!"), "Button2");
    connect(visible, &QPushButton::clicked, this, &TForm11::Button2Click);
    ranges->addWidget(visible, 2, 0, 1, 4);
    right->addLayout(ranges);

    const ttextexportchoices defaults;
    colsepradio->button(defaults.colsep)->setChecked(true);
    decsepradio->button(defaults.decsep)->setChecked(true);
    freqheadradio->button(defaults.freqhead)->setChecked(true);
    thresholdradio->button(defaults.threshold)->setChecked(true);

    auto* exportbutton = named(new QPushButton("&Export"), "exportbutton");
    auto* cancelbutton = named(new QPushButton("&Cancel"), "Button1");
    exportbutton->setDefault(true);
    connect(exportbutton, &QPushButton::clicked, this, [this] { exportbuttonClick(); });
    connect(cancelbutton, &QPushButton::clicked, this, &TForm11::Button1Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(exportbutton);
    buttons->addWidget(cancelbutton);

    auto* choicespage = new QWidget;
    auto* columns = new QHBoxLayout(choicespage);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new tscrollpage(choicespage));
    layout->addLayout(buttons);
}

void TForm11::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TForm11::FormShow() {
    const QSignalBlocker block(phonetogramscombo);
    // The phonetogram chosen before stays chosen while it is still in its place.
    const int chosen = phonetogramscombo->currentIndex();
    const QString chosenname = phonetogramscombo->currentText();
    phonetogramscombo->clear();
    for (const std::string& n : text_export_pgnames(fform)) phonetogramscombo->addItem(qtext(n));
    const bool kept = chosen >= 0 && chosen < phonetogramscombo->count() &&
                      phonetogramscombo->itemText(chosen) == chosenname;
    phonetogramscombo->setCurrentIndex(kept ? chosen : -1);
    phonetogramscomboClick();
}

void TForm11::show_checks(const std::vector<bool>& checked) {
    for (int i = 0; i < channelschecklistbox->count(); ++i)
        channelschecklistbox->item(i)->setCheckState(
            std::size_t(i) < checked.size() && checked[std::size_t(i)] ? Qt::Checked
                                                                       : Qt::Unchecked);
}

void TForm11::phonetogramscomboClick() {
    channelschecklistbox->clear();
    for (const std::string& n : text_export_paramnames(fform, phonetogramscombo->currentIndex())) {
        auto* item = new QListWidgetItem(qtext(n), channelschecklistbox);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        // The recording's spare layer holds nothing and has no name to show.
        item->setHidden(n.empty());
    }
}

void TForm11::allbuttonClick() {
    ttextexportchoices c = choices();
    check_all_parameters(c, fform, true);
    show_checks(c.checked);
}

void TForm11::nonebuttonClick() {
    ttextexportchoices c = choices();
    check_all_parameters(c, fform, false);
    show_checks(c.checked);
}

void TForm11::Button2Click() {
    ttextexportchoices c = choices();
    const tadvancedsettings& a = fform.advanced;
    use_visible_range(c, a.lokey, a.lokey + a.nkeys - 1, a.lolevel, a.hilevel);
    loleveledit->setText(qtext(c.loleveledit));
    hileveledit->setText(qtext(c.hileveledit));
    lomidiedit->setText(qtext(c.lomidiedit));
    himidiedit->setText(qtext(c.himidiedit));
}

void TForm11::Button1Click() {
    reject();
}

ttextexportchoices TForm11::choices() const {
    ttextexportchoices c;
    c.pgno = phonetogramscombo->currentIndex();
    for (int i = 0; i < channelschecklistbox->count(); ++i)
        c.checked.push_back(channelschecklistbox->item(i)->checkState() == Qt::Checked);
    c.colsep = colsepradio->checkedId();
    c.decsep = decsepradio->checkedId();
    c.freqhead = freqheadradio->checkedId();
    c.threshold = thresholdradio->checkedId();
    c.loleveledit = stdtext(loleveledit->text());
    c.hileveledit = stdtext(hileveledit->text());
    c.lomidiedit = stdtext(lomidiedit->text());
    c.himidiedit = stdtext(himidiedit->text());
    return c;
}

bool TForm11::exportbuttonClick() {
    const ttextexportchoices c = choices();
    // The ranges are checked before the file is asked for, so that a typing error does not
    // cost the user the file dialog.
    const tapplyresult bad = run_field_apply([&](tfieldapply& a) {
        for (auto [name, text] :
             {std::pair{"loleveledit", &c.loleveledit}, std::pair{"hileveledit", &c.hileveledit},
              std::pair{"lomidiedit", &c.lomidiedit}, std::pair{"himidiedit", &c.himidiedit}}) {
            a.field(name);
            read_number(*text);
        }
    });
    if (show_field_failure(*this, fform.ui, bad)) return false;
    if (c.pgno < 0 || c.pgno >= fform.nchans()) {
        fform.ui.tell(message_fact("Export phonetogram as text",
                                   "Choose the phonetogram to export.", tmessagekind::information));
        phonetogramscombo->setFocus();
        return false;
    }
    if (std::find(c.checked.begin(), c.checked.end(), true) == c.checked.end()) {
        fform.ui.tell(message_fact("Export phonetogram as text", "Tick the parameters to export.",
                                   tmessagekind::information));
        channelschecklistbox->setFocus();
        return false;
    }
    const std::string fname = fform.ui.save_file_name("Export phonetogram as text",
                                                      textexportdialogfilter, textexportdefaultext);
    if (fname.empty()) return false;
    try {
        export_phonetogram_text(fform, c, text_export_format(fform), fname);
    } catch (const EGravonError& e) {
        fform.ui.tell(message_fact("Error", e.what(), tmessagekind::error));
        return false;
    }
    accept();
    return true;
}

} // namespace gravon
