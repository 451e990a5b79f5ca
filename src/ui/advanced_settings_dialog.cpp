#include "ui/advanced_settings_dialog.h"

#include "core/main_window.h"
#include "settings/settings_file_name.h"
#include "ui/calibration_log_window.h"
#include "ui/field_failure.h"
#include "ui/list_fit.h"
#include "ui/parameter_editors.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace gravon {

namespace {

template <typename T> T* named(T* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QComboBox* combo(const char* name, std::initializer_list<const char*> items) {
    auto* c = named(new QComboBox, name);
    for (const char* i : items) c->addItem(i);
    return c;
}

// The system's default device first (entry i is device i - 1), then the devices connected
// now, each with its name as its data.
// A chosen device that is not connected stays chosen, at the end and marked, so that applying
// the dialog does not swap it for another.
void fill_devices(QComboBox* c, const std::vector<std::string>& names, const std::string& chosen,
                  bool input) {
    c->clear();
    c->addItem(input ? "The system's default input" : "The system's default output", QString(""));
    for (const std::string& n : names) c->addItem(qtext(n), qtext(n));
    int at = c->findData(qtext(chosen));
    if (at < 0) {
        c->addItem(qtext(chosen + " (not connected)"), qtext(chosen));
        at = c->count() - 1;
    }
    c->setCurrentIndex(at);
}

std::string chosen_device(const QComboBox* c) {
    return stdtext(c->currentData().toString());
}

// A label and its control on one row of a grid.
void row(QGridLayout* g, int r, const char* caption, QWidget* w, QWidget* extra = nullptr) {
    g->addWidget(new QLabel(caption), r, 0);
    g->addWidget(w, r, 1);
    if (extra) g->addWidget(extra, r, 2);
}

tsavetable tadvancedpage::*const savetables[3] = {&tadvancedpage::savekavellchannel,
                                                  &tadvancedpage::savesmpchannel,
                                                  &tadvancedpage::savewavchannel};

} // namespace

TForm2::TForm2(TForm1& form, TForm7& logwindow, QWidget* parent)
    : TSettingsDialog(parent), fform(form), flog(logwindow) {
    setObjectName("Form2");
    setWindowTitle("Advanced settings");
    ftabs = named(new QTabWidget, "PageControl1");
    ftabs->addTab(new tscrollpage(make_display_tab()), "Display");
    ftabs->addTab(new tscrollpage(make_save_tab()), "Save");
    ftabs->addTab(new tscrollpage(make_soundcards_tab()), "Soundcards");
    ftabs->addTab(new tscrollpage(make_calibration_tab()), "Calibration routine");
    ftabs->addTab(new tscrollpage(make_extraction_tab()), "fo/level extraction");
    ftabs->addTab(new tscrollpage(make_mapping_tab()), "Parameter mapping");
    ftabs->setCurrentIndex(0);
    soundfiletabs->setCurrentIndex(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ftabs);
    applysavebutton = add_buttons(layout, "Reset all advanced settings...",
                                  {[this] { return apply_settings(); },
                                   [this] { fform.save_advanced_settings(""); },
                                   [this] { reset_all_advanced_settings(); }});

    const auto changed = [this] { fix_parameter_mapping_listboxes(); };
    fmappingeditor = new TForm9(fpage, changed, this);
    fdisplayeditor = new TForm10(fpage, changed, this);
}

QLineEdit* TForm2::edit(const char* name, std::string tadvancedpage::*field) {
    auto* e = named(new QLineEdit, name);
    e->setMinimumWidth(70);
    fedits.emplace_back(e, field);
    return e;
}

QLineEdit* TForm2::edit(const char* name, std::array<std::string, 2> tadvancedpage::*field,
                        std::size_t ch) {
    auto* e = named(new QLineEdit, QString(name) + QString::number(ch));
    e->setMinimumWidth(70);
    fpairedits.emplace_back(e, field, ch);
    return e;
}

QCheckBox* TForm2::check(const char* caption, const char* name, bool tadvancedpage::*field) {
    auto* c = named(new QCheckBox(caption), name);
    fchecks.emplace_back(c, field);
    return c;
}

QWidget* TForm2::make_display_tab() {
    auto* page = new QWidget;
    auto* v = new QGridLayout(page);
    auto* spl = new QGroupBox("SPL range");
    auto* g = new QGridLayout(spl);
    row(g, 0, "Max SPL [dB]", edit("hileveledit", &tadvancedpage::hileveledit));
    row(g, 1, "Min SPL [dB]", edit("loleveledit", &tadvancedpage::loleveledit));
    v->addWidget(spl, 0, 0);

    auto* keys = new QGroupBox("fo / keyboard range");
    g = new QGridLayout(keys);
    lokeynote = named(new QLabel, "lokeynote");
    hikeynote = named(new QLabel, "hikeynote");
    QLineEdit* lokey = edit("lokeyedit", &tadvancedpage::lokeyedit);
    QLineEdit* hikey = edit("hikeyedit", &tadvancedpage::hikeyedit);
    row(g, 0, "Min fo [MIDI code]", lokey, lokeynote);
    row(g, 1, "Max fo [MIDI code]", hikey, hikeynote);
    for (QLineEdit* e : {lokey, hikey})
        connect(e, &QLineEdit::textChanged, this, &TForm2::fix_things);
    v->addWidget(keys, 1, 0);

    auto* digits = new QGroupBox("Number of digits");
    g = new QGridLayout(digits);
    sigdigitssample = named(new QLabel, "sigdigitssample");
    secsample = named(new QLabel, "secsample");
    dbsample = named(new QLabel, "dbsample");
    auto* sig = named(new QLineEdit, "sigdigitsedit");
    auto* sec = named(new QLineEdit, "secdecimalsedit");
    auto* db = named(new QLineEdit, "dbdecimalsedit");
    row(g, 0, "Significant digits", sig, sigdigitssample);
    row(g, 1, "Decimals on times (in s)", sec, secsample);
    row(g, 2, "Decimals on levels (in dB)", db, dbsample);
    connect(sig, &QLineEdit::textChanged, this, [this](const QString& t) {
        sigdigitssample->setText(qtext(set_significant_digits(fpage, stdtext(t))));
    });
    connect(sec, &QLineEdit::textChanged, this, [this](const QString& t) {
        secsample->setText(qtext(set_time_decimals(fpage, stdtext(t))));
    });
    connect(db, &QLineEdit::textChanged, this, [this](const QString& t) {
        dbsample->setText(qtext(set_level_decimals(fpage, stdtext(t))));
    });
    v->addWidget(digits, 0, 1);

    auto* bins = new QGroupBox("Time Threshold");
    g = new QGridLayout(bins);
    row(g, 0, "Threshold [ms]", edit("timethresholdedit", &tadvancedpage::timethresholdedit));
    g->addWidget(check("Hide isolated bins", "hideisolatedbins", &tadvancedpage::hideisolatedbins),
                 1, 0, 1, 2);
    g->addWidget(
        check("Weigh in adjacent bins", "includeadjacentbins", &tadvancedpage::includeadjacentbins),
        2, 0, 1, 2);
    row(g, 3, "...by factor", edit("adjacentfactoredit", &tadvancedpage::adjacentfactoredit));
    v->addWidget(bins, 1, 1);
    v->setRowStretch(2, 1);
    return page;
}

QWidget* TForm2::make_save_tab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addWidget(new QLabel("Location ID to identify the location of recordings, such as "
                            "\"Studio A\""));
    v->addWidget(edit("locationidedit", &tadvancedpage::locationidedit));
    auto* settings = new QGroupBox("Settings");
    auto* s = new QVBoxLayout(settings);
    s->addWidget(
        check("Save options on exit", "saveoptionsonexit", &tadvancedpage::saveoptionsonexit));
    s->addWidget(check("Save advanced settings on exit", "saveadvancedsettingsonexit",
                       &tadvancedpage::saveadvancedsettingsonexit));
    v->addWidget(settings);
    auto* stdpg = new QGroupBox("Phonetogram (stdpg) files");
    auto* p = new QHBoxLayout(stdpg);
    p->addWidget(new QLabel("Channels to save"));
    savestdpgchannos = combo("savestdpgchannos", {"Left", "Right", "Left & right"});
    p->addWidget(savestdpgchannos);
    v->addWidget(stdpg);
    auto* files = new QGroupBox("Soundfiles");
    auto* f = new QVBoxLayout(files);
    soundfiletabs = named(new QTabWidget, "soundfiletabs");
    const char* names[3] = {"Kavell", "SMP", "WAV"};
    const char* amplify[3] = {"amplifykavellaudio", "amplifysmpaudio", "amplifywavaudio"};
    bool tadvancedpage::*amplifyfields[3] = {&tadvancedpage::amplifykavellaudio,
                                             &tadvancedpage::amplifysmpaudio,
                                             &tadvancedpage::amplifywavaudio};
    for (std::size_t t = 0; t < 3; ++t) {
        auto* tab = new QWidget;
        auto* g = new QGridLayout(tab);
        for (std::size_t ch = 0; ch < 2; ++ch) {
            auto* list = named(new QListWidget, QString("save%1list%2").arg(names[t]).arg(ch));
            for (const char* item : savemeasurename) {
                auto* i = new QListWidgetItem(item, list);
                i->setFlags(i->flags() | Qt::ItemIsUserCheckable);
                i->setCheckState(Qt::Unchecked);
            }
            // The page scrolls; the list never does, so no measure hides below its edge.
            show_whole_items(*list);
            savelists[t][ch] = list;
            g->addWidget(new QLabel(ch == 0 ? "Left channel" : "Right channel"), 0, int(ch));
            g->addWidget(list, 1, int(ch));
        }
        g->addWidget(check("Amplify audio to full scale", amplify[t], amplifyfields[t]), 2, 0, 1,
                     2);
        soundfiletabs->addTab(tab, names[t]);
    }
    f->addWidget(soundfiletabs);
    v->addWidget(files);
    settingsfolder = named(new QLabel, "settingsfolder");
    v->addWidget(settingsfolder);
    auto* debug = named(new QPlainTextEdit, "debuginfo");
    debug->setReadOnly(true);
    debug->setPlainText("Debug info info:\nkplfblock=$0001\nkphfblock=$0002\nkpmaxpartno=$0004\n"
                        "kpfreqspeed=$0008\nkplevelspeed=$0010\nkphnr=$0020\nkpcrosstalk=$0040\n"
                        "kpkeyboard=$0080\nkpexcept=$0100");
    v->addWidget(debug);
    return page;
}

QWidget* TForm2::make_soundcards_tab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* rate = new QHBoxLayout;
    rate->addWidget(new QLabel("Use sample rate [Hz]"));
    rate->addWidget(edit("fsedit", &tadvancedpage::fsedit));
    v->addLayout(rate);
    auto* playback = new QGroupBox("Playback");
    auto* g = new QGridLayout(playback);
    noisedevice = named(new QComboBox, "noisedevice");
    keyboarddevice = named(new QComboBox, "keyboarddevice");
    calibrationdevice = named(new QComboBox, "calibrationdevice");
    struct tplayrow {
        const char* caption;
        QComboBox* combo;
        const char *left, *right;
        bool tadvancedpage::*leftfield;
        bool tadvancedpage::*rightfield;
    };
    const tplayrow rows[3] = {
        {"Headphone noise soundcard", noisedevice, "noiseplayleft", "noiseplayright",
         &tadvancedpage::noiseplayleft, &tadvancedpage::noiseplayright},
        {"Keyboard soundcard", keyboarddevice, "keyboardplayleft", "keyboardplayright",
         &tadvancedpage::keyboardplayleft, &tadvancedpage::keyboardplayright},
        {"Calibration tone soundcard", calibrationdevice, "calibrationtoneplayleft",
         "calibrationtoneplayright", &tadvancedpage::calibrationtoneplayleft,
         &tadvancedpage::calibrationtoneplayright}};
    int r = 0;
    for (const tplayrow& p : rows) {
        g->addWidget(new QLabel(p.caption), r, 0);
        g->addWidget(p.combo, r, 1);
        g->addWidget(check("Left", p.left, p.leftfield), r, 2);
        g->addWidget(check("Right", p.right, p.rightfield), r, 3);
        ++r;
    }
    v->addWidget(playback);
    auto* recording = new QGroupBox("Recording");
    g = new QGridLayout(recording);
    recorddevice = named(new QComboBox, "recorddevice");
    row(g, 0, "Recording soundcard", recorddevice);
    g->addWidget(check("Use 24 bits if available", "use24bits", &tadvancedpage::use24bits), 1, 0, 1,
                 2);
    v->addWidget(recording);
    v->addStretch();
    return page;
}

QWidget* TForm2::make_calibration_tab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* methods = new QGroupBox("Speaker sound level calibration");
    auto* g = new QGridLayout(methods);
    const char* captions[2] = {"Calibration method for left mic",
                               "Calibration method for right mic"};
    for (std::size_t ch = 0; ch < 2; ++ch) {
        methodcombo[ch] = named(new QComboBox, QString("calibrationmethod%1").arg(ch));
        for (const char* m : calibrationmethodname) methodcombo[ch]->addItem(m);
        connect(methodcombo[ch], &QComboBox::currentIndexChanged, this, &TForm2::fix_things);
        row(g, int(ch), captions[ch], methodcombo[ch]);
    }
    v->addWidget(methods);

    calibratorgroup = named(new QGroupBox("Calibrate using a calibrator"), "calibratorgroup");
    g = new QGridLayout(calibratorgroup);
    row(g, 0, "Calibrator SPL", edit("calibratorspledit", &tadvancedpage::calibratorspledit));
    row(g, 1, "Maximum SPL for a sinusoid at the microphone [dB]",
        edit("overloadlimitedit", &tadvancedpage::overloadlimitedit));
    auto* note = new QLabel(
        "Note: The maximum SPL typically needs an extra 6 dB margin for voice signals due to "
        "their crest factor, and also 6 dB extra margin per halving of the distance from 300 mm. "
        "Thus, with the mic at 150 mm a 122 dB maximum SPL allows for ~110 dB voice level at "
        "300 mm.");
    note->setWordWrap(true);
    g->addWidget(note, 2, 0, 1, 2);
    v->addWidget(calibratorgroup);

    loudspeakergroup =
        named(new QGroupBox("Calibrate using a loudspeaker or voice and sound level meter"),
              "loudspeakergroup");
    auto* l = new QVBoxLayout(loudspeakergroup);
    auto* note2 = new QLabel(
        "Note: The calibration only sets a software factor using the recording levels as they "
        "are.  The maximum SPL is not set during calibration, but is determined by the recording "
        "level settings on the sound card. Turn it down if you want a higher maximum SPL. The "
        "actual maximum SPL is shown below after calibration.");
    note2->setWordWrap(true);
    l->addWidget(note2);
    v->addWidget(loudspeakergroup);

    auto* distance = new QGroupBox("Microphone distance");
    g = new QGridLayout(distance);
    g->addWidget(new QLabel("Actual mic distance [mm]"), 0, 0, 1, 3);
    g->addWidget(new QLabel("Range for max ±1 dB SPL error"), 0, 3);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        QLineEdit* e = edit("distanceedit", &tadvancedpage::distanceedit, ch);
        connect(e, &QLineEdit::textChanged, this, &TForm2::fix_things);
        distancerange[ch] = named(new QLabel, QString("distancerange%1").arg(ch));
        g->addWidget(new QLabel(ch == 0 ? "Left" : "Right"), int(ch) + 1, 0);
        g->addWidget(e, int(ch) + 1, 1);
        g->addWidget(distancerange[ch], int(ch) + 1, 3);
    }
    g->addWidget(check("Recalculate levels for mic distance 300 mm", "calibrationrecalculate",
                       &tadvancedpage::calibrationrecalculate),
                 3, 0, 1, 4);
    v->addWidget(distance);

    auto* present = new QGroupBox("Present calibration");
    g = new QGridLayout(present);
    soundcardlabel = named(new QLabel, "calibrationsoundcard");
    row(g, 0, "Calibrated for (soundcard):", soundcardlabel);
    g->addWidget(new QLabel("Maximum SPL (sinusoid) at 300 mm distance"), 1, 0);
    g->addWidget(new QLabel("Maximum SPL (sinusoid) at the microphone"), 2, 0);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        maxlevelat300[ch] = named(new QLabel, QString("maxlevelat300_%1").arg(ch));
        maxlevelatmic[ch] = named(new QLabel, QString("maxlevelatmic_%1").arg(ch));
        g->addWidget(maxlevelat300[ch], 1, int(ch) + 1);
        g->addWidget(maxlevelatmic[ch], 2, int(ch) + 1);
    }
    auto* remove = named(new QPushButton("Remove all calibrations now!"), "removecalibrations");
    auto* log = named(new QPushButton("Show calibration log"), "showlogbutton");
    connect(remove, &QPushButton::clicked, this, &TForm2::remove_all_calibrations);
    connect(log, &QPushButton::clicked, this, &TForm2::show_calibration_log);
    g->addWidget(remove, 3, 0);
    g->addWidget(log, 3, 1);
    v->addWidget(present);

    auto* expiry = new QGroupBox("Calibration expiration");
    auto* e = new QHBoxLayout(expiry);
    e->addWidget(new QLabel("Notify if calibration is older than"));
    e->addWidget(edit("expirationdaysedit", &tadvancedpage::expirationdaysedit));
    e->addWidget(new QLabel("days (0=disable)"));
    v->addWidget(expiry);
    return page;
}

QWidget* TForm2::make_extraction_tab() {
    auto* page = new QWidget;
    auto* v = new QGridLayout(page);
    auto* hp = new QHBoxLayout;
    hp->addWidget(new QLabel("Highpass measurements at [Hz]"));
    hp->addWidget(edit("hpfreqedit", &tadvancedpage::hpfreqedit));
    hp->addWidget(new QLabel("CPPS peak search up to [Hz]"));
    hp->addWidget(edit("cppsmaxf0edit", &tadvancedpage::cppsmaxf0edit));
    v->addLayout(hp, 0, 0);

    auto* fft = new QGroupBox("FFT settings");
    auto* g = new QGridLayout(fft);
    QLineEdit* bw = edit("fftbwedit", &tadvancedpage::fftbwedit);
    connect(bw, &QLineEdit::textChanged, this, &TForm2::fix_things);
    windowcombo =
        combo("windowcombo", {"rectangular", "Bartlett", "Hamming", "Hanning", "Blackman"});
    connect(windowcombo, &QComboBox::currentIndexChanged, this, &TForm2::fix_things);
    windowlength = named(new QLabel, "windowlength");
    row(g, 0, "Bandwidth [Hz]", bw);
    row(g, 1, "Window", windowcombo);
    g->addWidget(windowlength, 2, 0, 1, 2);
    v->addWidget(fft, 1, 0);

    auto* voice = new QGroupBox("Conditions for voice detection");
    g = new QGridLayout(voice);
    int r = 0;
    const auto line = [&](const char* caption, const char* name, std::string tadvancedpage::*f) {
        QLineEdit* e = edit(name, f);
        row(g, r++, caption, e);
        return e;
    };
    line("Minimum SNR [dB]", "minsnredit", &tadvancedpage::minsnredit)
        ->setToolTip("Minimum ratio between partials and background noise");
    line("Minimum HNR [dB]", "minhnredit", &tadvancedpage::minhnredit)
        ->setToolTip("Minimum ratio between partials and background noise");
    line("Maximum fo speed [ST/frame]", "maxf0speededit", &tadvancedpage::maxf0speededit);
    g->addWidget(new QLabel("Maximum level speed [dB/s]"), r++, 0);
    line("Decreasing", "maxneglevelspeededit", &tadvancedpage::maxneglevelspeededit);
    line("Increasing", "maxposlevelspeededit", &tadvancedpage::maxposlevelspeededit);
    line("Minimum partial level re strongest partial [dB]", "minrelpartialleveledit",
         &tadvancedpage::minrelpartialleveledit);
    QCheckBox* guard = check("Subharmonic guard, minimum ratio [dB]", "subharmonicguard",
                             &tadvancedpage::subharmonicguard);
    guard->setToolTip("An fo an octave (or more) lower than the one found is taken only when "
                      "the partials it adds between those of the higher fo hold at least this "
                      "power, re the partials the two share");
    g->addWidget(guard, r, 0);
    g->addWidget(edit("minsubharmonicratioedit", &tadvancedpage::minsubharmonicratioedit), r++, 1);
    line("Low frequencies block, threshold [dB]", "lfblockthresholdedit",
         &tadvancedpage::lfblockthresholdedit);
    line("High frequencies block, threshold [dB]", "hfblockthresholdedit",
         &tadvancedpage::hfblockthresholdedit);
    line("...but not for levels above [dB]", "maxhfblockleveledit",
         &tadvancedpage::maxhfblockleveledit);
    QLineEdit* lo = line("Lowest fo [Hz]", "lof0limitedit", &tadvancedpage::lof0limitedit);
    QLineEdit* hi = line("Highest fo [Hz]", "hif0limitedit", &tadvancedpage::hif0limitedit);
    for (QLineEdit* e : {lo, hi}) connect(e, &QLineEdit::textChanged, this, &TForm2::fix_things);
    g->addWidget(
        check("Left blocks right, threshold", "leftblockright", &tadvancedpage::leftblockright), r,
        0);
    g->addWidget(edit("leftblockrightthresholdedit", &tadvancedpage::leftblockrightthresholdedit),
                 r++, 1);
    g->addWidget(
        check("Right blocks left, threshold", "rightblockleft", &tadvancedpage::rightblockleft), r,
        0);
    g->addWidget(edit("rightblockleftthresholdedit", &tadvancedpage::rightblockleftthresholdedit),
                 r++, 1);
    g->addWidget(check("Keyboard blocks", "keyboardblock", &tadvancedpage::keyboardblock), r++, 0);
    v->addWidget(voice, 0, 1, 3, 1);

    auto* noise = new QGroupBox("Background noise detection");
    g = new QGridLayout(noise);
    row(g, 0, "Noise quantile [%]", edit("noisequantileedit", &tadvancedpage::noisequantileedit));
    g->addWidget(new QLabel("Background noise detection range"), 1, 0, 1, 4);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        g->addWidget(new QLabel(ch == 0 ? "Left" : "Right"), int(ch) + 2, 0);
        g->addWidget(edit("noiseloedit", &tadvancedpage::noiseloedit, ch), int(ch) + 2, 1);
        g->addWidget(new QLabel("to"), int(ch) + 2, 2);
        g->addWidget(edit("noisehiedit", &tadvancedpage::noisehiedit, ch), int(ch) + 2, 3);
    }
    row(g, 4, "Hold measurement for [s]", edit("holdnoiseedit", &tadvancedpage::holdnoiseedit));
    v->addWidget(noise, 2, 0);

    auto* binning = named(new QGroupBox("When binning..."), "binningmethod");
    auto* b = new QVBoxLayout(binning);
    const char* methods[3] = {"Round to nearest bin", "Add dither",
                              "Distribute contribution over four bins"};
    for (std::size_t i = 0; i < 3; ++i) {
        binningradio[i] = named(new QRadioButton(methods[i]), QString("binningradio%1").arg(i));
        b->addWidget(binningradio[i]);
    }
    v->addWidget(binning, 3, 0);
    return page;
}

QWidget* TForm2::make_mapping_tab() {
    auto* page = new QWidget;
    auto* g = new QGridLayout(page);
    auto* info = new QLabel(
        "Info: stdpg phonetogram files contain information that is displayed on a third axis as "
        "a gray scale. Each parameter name found in a file maps to one of the displayable "
        "parameters, which gives its range and unit.");
    info->setWordWrap(true);
    g->addWidget(info, 0, 0, 1, 2);
    mappinglist = named(new QListWidget, "mappinglist");
    displaylist = named(new QListWidget, "displaylist");
    g->addWidget(new QLabel("Stdpg parameter maps to display parameter"), 1, 0);
    g->addWidget(new QLabel("Displayable parameters"), 1, 1);
    g->addWidget(mappinglist, 2, 0);
    g->addWidget(displaylist, 2, 1);
    connect(mappinglist, &QListWidget::currentRowChanged, this, [this](int r) {
        if (ffilling) return;
        fpage.selectedmapping = r;
        fix_things();
    });
    connect(displaylist, &QListWidget::currentRowChanged, this, [this](int r) {
        if (ffilling) return;
        fpage.selecteddisplay = r;
        fix_things();
    });
    auto* addmapping = named(new QPushButton("Add stdpg parameter mapping"), "addmappingbutton");
    auto* adddisplay = named(new QPushButton("Add displayable parameter"), "adddisplaybutton");
    editmappingbutton = named(new QPushButton, "editmappingbutton");
    removemappingbutton = named(new QPushButton, "removemappingbutton");
    editdisplaybutton = named(new QPushButton, "editdisplaybutton");
    removedisplaybutton = named(new QPushButton, "removedisplaybutton");
    connect(addmapping, &QPushButton::clicked, this, &TForm2::add_mapping);
    connect(adddisplay, &QPushButton::clicked, this, &TForm2::add_display);
    connect(editmappingbutton, &QPushButton::clicked, this, &TForm2::edit_mapping);
    connect(removemappingbutton, &QPushButton::clicked, this, &TForm2::remove_mapping);
    connect(editdisplaybutton, &QPushButton::clicked, this, &TForm2::edit_display);
    connect(removedisplaybutton, &QPushButton::clicked, this, &TForm2::remove_display);
    g->addWidget(addmapping, 3, 0);
    g->addWidget(editmappingbutton, 4, 0);
    g->addWidget(removemappingbutton, 5, 0);
    g->addWidget(adddisplay, 3, 1);
    g->addWidget(editdisplaybutton, 4, 1);
    g->addWidget(removedisplaybutton, 5, 1);
    return page;
}

void TForm2::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TForm2::FormShow() {
    if (read_devicenames) read_devicenames();
    fpage = advanced_page_of(fform);
    // The method the program does not offer is dropped from both lists.
    for (QComboBox* c : methodcombo)
        if (c->count() > nofferedcalibrationmethods) c->removeItem(nofferedcalibrationmethods);
    show_page();
    fix_parameter_mapping_listboxes();
    fix_things();
}

void TForm2::show_page() {
    ffilling = true;
    const tadvancedpage p = fpage;
    for (auto& [e, field] : fedits) e->setText(qtext(p.*field));
    for (auto& [e, field, ch] : fpairedits) e->setText(qtext((p.*field)[ch]));
    for (auto& [c, field] : fchecks) c->setChecked(p.*field);
    findChild<QLineEdit*>("sigdigitsedit")->setText(qtext(p.sigdigitsedit));
    findChild<QLineEdit*>("secdecimalsedit")->setText(qtext(p.secdecimalsedit));
    findChild<QLineEdit*>("dbdecimalsedit")->setText(qtext(p.dbdecimalsedit));
    savestdpgchannos->setCurrentIndex(p.savestdpgchannos);
    for (std::size_t t = 0; t < 3; ++t)
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (int i = 0; i < nsavemeasures; ++i)
                savelists[t][ch]->item(i)->setCheckState(
                    (p.*savetables[t])[std::size_t(i)][ch] ? Qt::Checked : Qt::Unchecked);
    settingsfolder->setText("Settings directory: " + qtext(settings_folder(fform.progid)));
    fill_devices(noisedevice, p.outputdevices, p.noisedevice, false);
    fill_devices(keyboarddevice, p.outputdevices, p.keyboarddevice, false);
    fill_devices(calibrationdevice, p.outputdevices, p.calibrationdevice, false);
    fill_devices(recorddevice, p.inputdevices, p.recorddevice, true);
    for (std::size_t ch = 0; ch < 2; ++ch)
        methodcombo[ch]->setCurrentIndex(p.calibrationmethod[ch]);
    windowcombo->setCurrentIndex(p.fftwindow);
    for (std::size_t i = 0; i < 3; ++i) binningradio[i]->setChecked(p.binningmethod == int(i));
    applysavebutton->setEnabled(p.applyandsaveenabled);
    ffilling = false;
}

void TForm2::refresh_device_lists() {
    const bool wasfilling = ffilling;
    ffilling = true;
    fpage.outputdevices = fform.audiodevicenames.output;
    fpage.inputdevices = fform.audiodevicenames.input;
    for (QComboBox* c : {noisedevice, keyboarddevice, calibrationdevice})
        fill_devices(c, fpage.outputdevices, chosen_device(c), false);
    fill_devices(recorddevice, fpage.inputdevices, chosen_device(recorddevice), true);
    ffilling = wasfilling;
}

tadvancedpage TForm2::page() const {
    tadvancedpage p = fpage;
    for (auto& [e, field] : fedits) p.*field = stdtext(e->text());
    for (auto& [e, field, ch] : fpairedits) (p.*field)[ch] = stdtext(e->text());
    for (auto& [c, field] : fchecks) p.*field = c->isChecked();
    p.savestdpgchannos = savestdpgchannos->currentIndex();
    for (std::size_t t = 0; t < 3; ++t)
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (int i = 0; i < nsavemeasures; ++i)
                (p.*savetables[t])[std::size_t(i)][ch] =
                    savelists[t][ch]->item(i)->checkState() == Qt::Checked;
    p.noisedevice = chosen_device(noisedevice);
    p.keyboarddevice = chosen_device(keyboarddevice);
    p.calibrationdevice = chosen_device(calibrationdevice);
    p.recorddevice = chosen_device(recorddevice);
    for (std::size_t ch = 0; ch < 2; ++ch)
        p.calibrationmethod[ch] = methodcombo[ch]->currentIndex();
    p.fftwindow = windowcombo->currentIndex();
    for (std::size_t i = 0; i < 3; ++i)
        if (binningradio[i]->isChecked()) p.binningmethod = std::int32_t(i);
    return p;
}

bool TForm2::apply_settings() {
    return !show_field_failure(*this, fform.ui, apply_advanced_page(fform, page()));
}

void TForm2::reset_all_advanced_settings() {
    if (gravon::reset_all_advanced_settings(fform)) FormShow();
}

void TForm2::remove_all_calibrations() {
    std::string failure;
    try {
        gravon::remove_all_calibrations(fform);
    } catch (const EGravonError& e) {
        failure = e.what();
    }
    // The page shows what is in effect now, whether or not the file and the log followed.
    fpage.signedfactors = fform.signedfactors;
    fpage.calibrationsoundcard = fform.calibrationsoundcard;
    fix_things();
    if (!failure.empty())
        fform.ui.tell(message_fact("Cannot remove the calibrations", failure, tmessagekind::error));
}

void TForm2::show_calibration_log() {
    try {
        flog.set_text(qtext(read_calibration_log(fform)));
    } catch (const EGravonError& e) {
        fform.ui.tell(message_fact("Error", e.what(), tmessagekind::error));
        return;
    }
    if (show_modal) show_modal(flog);
}

void TForm2::fix_things() {
    if (ffilling) return;
    const tadvancedderived d = advanced_derived(page());
    windowlength->setText(qtext(d.windowlength));
    calibratorgroup->setVisible(d.calibratorgroupvisible);
    loudspeakergroup->setVisible(d.loudspeakergroupvisible);
    // isVisible() needs a shown dialog; tests read the hidden flag.
    calibratorgroup->setProperty("shown", d.calibratorgroupvisible);
    loudspeakergroup->setProperty("shown", d.loudspeakergroupvisible);
    editmappingbutton->setEnabled(d.editmappingenabled);
    removemappingbutton->setEnabled(d.removemappingenabled);
    editdisplaybutton->setEnabled(d.editdisplayenabled);
    removedisplaybutton->setEnabled(d.removedisplayenabled);
    editmappingbutton->setText(qtext(d.editmappingcaption));
    removemappingbutton->setText(qtext(d.removemappingcaption));
    editdisplaybutton->setText(qtext(d.editdisplaycaption));
    removedisplaybutton->setText(qtext(d.removedisplaycaption));
    lokeynote->setText(qtext(d.lokeynote));
    hikeynote->setText(qtext(d.hikeynote));
    for (std::size_t ch = 0; ch < 2; ++ch) {
        distancerange[ch]->setText(qtext(d.distancerange[ch]));
        maxlevelat300[ch]->setText(qtext(d.maxlevelat300[ch]));
        maxlevelatmic[ch]->setText(qtext(d.maxlevelatmic[ch]));
    }
    soundcardlabel->setText(qtext(d.calibrationsoundcard));
}

void TForm2::fix_parameter_mapping_listboxes() {
    ffilling = true;
    mappinglist->clear();
    for (const std::string& l : mapping_lines(fpage)) mappinglist->addItem(qtext(l));
    displaylist->clear();
    for (const std::string& l : display_lines(fpage)) displaylist->addItem(qtext(l));
    if (fpage.selectedmapping >= mappinglist->count()) fpage.selectedmapping = -1;
    if (fpage.selecteddisplay >= displaylist->count()) fpage.selecteddisplay = -1;
    mappinglist->setCurrentRow(fpage.selectedmapping);
    displaylist->setCurrentRow(fpage.selecteddisplay);
    ffilling = false;
    fix_things();
}

void TForm2::add_display() {
    fdisplayeditor->add_displayable_parameter();
}

void TForm2::add_mapping() {
    fmappingeditor->add_stdpg_parameter();
}

void TForm2::edit_mapping() {
    if (fpage.selectedmapping >= 0) fmappingeditor->edit_stdpg_parameter(fpage.selectedmapping);
}

void TForm2::edit_display() {
    if (fpage.selecteddisplay >= 0)
        fdisplayeditor->edit_displayable_parameter(fpage.selecteddisplay);
}

void TForm2::remove_mapping() {
    gravon::remove_selected_mapping(fpage);
    fix_parameter_mapping_listboxes();
}

void TForm2::remove_display() {
    gravon::remove_selected_display(fpage);
    fix_parameter_mapping_listboxes();
}

} // namespace gravon
