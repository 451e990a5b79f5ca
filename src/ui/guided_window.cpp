#include "ui/guided_window.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "phonetogram/pg_param.h"
#include "ui/drawing_area.h"
#include "ui/ok_cancel_buttons.h"
#include "ui/qt_main_window.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace gravon {

namespace {

QDoubleSpinBox* seconds_box(double lo, double hi, double step) {
    auto* b = new QDoubleSpinBox;
    b->setRange(lo, hi);
    b->setSingleStep(step);
    b->setDecimals(1);
    b->setSuffix(" s");
    return b;
}

QString note_text(std::int32_t n) {
    return qtext(notename(n, false)) + "  (" + QString::number(semitonetofreq(double(n)), 'f', 1) +
           " Hz)";
}

} // namespace

TGuidedSettingsDialog::TGuidedSettingsDialog(std::int32_t lo, std::int32_t hi, QWidget* parent)
    : QDialog(parent), flo(lo), fhi(std::max(lo, hi)) {
    setObjectName("guidedsettings");
    setWindowTitle("Guided profile");
    fstart = new QComboBox;
    fstart->setObjectName("guided_start");
    for (std::int32_t n = flo; n <= fhi; ++n) fstart->addItem(note_text(n));
    fsemitone = new QRadioButton("Semitones");
    fwholetone = new QRadioButton("Whole tones");
    auto* steps = new QHBoxLayout;
    steps->addWidget(fsemitone);
    steps->addWidget(fwholetone);
    steps->addStretch();
    ftone = seconds_box(0.5, 10, 0.5);
    fphonation = seconds_box(0.1, 10, 0.1);
    flimit = seconds_box(3, 600, 5);
    auto* form = new QFormLayout;
    form->addRow("Start note:", fstart);
    form->addRow("Steps:", steps);
    form->addRow("Prompt tone:", ftone);
    form->addRow("Soft and loud voice wanted:", fphonation);
    form->addRow("A step at most:", flimit);
    auto* hint = new QLabel(
        "From the start note down until two notes in a row are not reached, then up from the "
        "start. At each note a tone sounds, then the patient sings /a/ as softly and then as "
        "loudly as possible. The take records from OK until the profile is done.");
    hint->setWordWrap(true);
    auto* buttons = ok_cancel_buttons(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    // The hint wraps at about the width of its own sentence pieces, not the whole screen.
    hint->setMinimumWidth(fontMetrics().horizontalAdvance(QString(48, QChar('n'))));
    set_settings({});
}

void TGuidedSettingsDialog::set_settings(const tguidedsettings& s) {
    fstart->setCurrentIndex(std::clamp(s.startnote, flo, fhi) - flo);
    (s.stepsize == 2 ? fwholetone : fsemitone)->setChecked(true);
    ftone->setValue(s.tonetime);
    fphonation->setValue(s.phonationtime);
    flimit->setValue(s.steplimit);
}

tguidedsettings TGuidedSettingsDialog::settings() const {
    tguidedsettings s;
    s.startnote = flo + std::max(0, fstart->currentIndex());
    s.stepsize = fwholetone->isChecked() ? 2 : 1;
    s.tonetime = ftone->value();
    s.phonationtime = fphonation->value();
    s.steplimit = flimit->value();
    s.lowestnote = flo;
    s.highestnote = fhi;
    return s;
}

void TGuidedSettingsDialog::accept() {
    if (const std::string why = guided_settings_problem(settings()); !why.empty()) {
        QMessageBox::warning(this, "Guided profile", qtext(why));
        return;
    }
    QDialog::accept();
}

TGuidedPanel::TGuidedPanel(TMainWindow& window)
    : QDockWidget("Guided profile", &window), fwindow(window) {
    setObjectName("guidedpanel");
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* body = new QWidget;
    finstruction = new QLabel;
    finstruction->setObjectName("guided_instruction");
    finstruction->setWordWrap(true);
    // It wraps in the panel's width rather than widening the panel.
    finstruction->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont big = finstruction->font();
    big.setPointSizeF(big.pointSizeF() * 1.9);
    big.setBold(true);
    finstruction->setFont(big);
    fnote = new QLabel;
    fnote->setWordWrap(true);
    fnote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont mid = fnote->font();
    mid.setPointSizeF(mid.pointSizeF() * 1.4);
    fnote->setFont(mid);
    fsoft = new QProgressBar;
    floud = new QProgressBar;
    for (QProgressBar* b : {fsoft, floud}) {
        b->setRange(0, 100);
        b->setTextVisible(false);
    }
    auto* bars = new QFormLayout;
    bars->addRow("Soft:", fsoft);
    bars->addRow("Loud:", floud);
    fstep = new QLabel;
    fstep->setWordWrap(true);
    fsteps = new QTreeWidget;
    fsteps->setObjectName("guided_steps");
    fsteps->setFocusPolicy(Qt::NoFocus);
    fsteps->setRootIsDecorated(false);
    fsteps->setHeaderLabels({"Note", "Step", "Time"});
    fsteps->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    fsteps->header()->setStretchLastSection(false);
    frepeat = new QPushButton("&Repeat (R)");
    fskip = new QPushButton("&Skip (S)");
    fstop = new QPushButton("Stop (Esc)");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {frepeat, fskip, fstop}) {
        b->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(finstruction);
    layout->addWidget(fnote);
    layout->addLayout(bars);
    layout->addWidget(fstep);
    layout->addWidget(fsteps, 1);
    layout->addLayout(buttons);
    setWidget(body);
    // The longest instruction takes three lines in its own font; the view keeps the rest.
    body->setMinimumWidth(QFontMetrics(big).horizontalAdvance("Sing /a/ on C#4 as"));
    const auto act = [this](void (tguidedrun::*what)()) {
        if (running()) ((*frun).*what)();
    };
    connect(frepeat, &QPushButton::clicked, this, [act] { act(&tguidedrun::repeat); });
    connect(fskip, &QPushButton::clicked, this, [act] { act(&tguidedrun::skip); });
    connect(fstop, &QPushButton::clicked, this, [act] { act(&tguidedrun::stop); });
    // In the whole window: the clinician's hands may be anywhere.
    for (const auto& [key, button] :
         {std::pair{"R", frepeat}, std::pair{"S", fskip}, std::pair{"Esc", fstop}}) {
        auto* sc = new QShortcut(QKeySequence(key), &window);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, button, [this, b = button] {
            if (isVisible() && running()) b->click();
        });
    }
    QWidget* area = fwindow.drawing_area();
    faxismark = new QLabel(area);
    faxismark->setObjectName("guided_axismark");
    faxismark->setAlignment(Qt::AlignCenter);
    faxismark->setStyleSheet("QLabel { background: " + targetmarkcolour.name() +
                             "; color: white; "
                             "border-radius: 3px; padding: 0px 3px; }");
    faxismark->hide();
    window.addDockWidget(Qt::RightDockWidgetArea, this);
    hide();
    connect(&fwatch, &QTimer::timeout, this, [this] {
        if (running() && !fwindow.form().recording()) frun->stop();
    });
    fwatch.start(250);
}

TGuidedPanel::~TGuidedPanel() = default;

const tguidedsettings& TGuidedPanel::last_settings() const {
    return fwindow.form().options.guided;
}

bool TGuidedPanel::start(const tguidedsettings& s) {
    frun.reset();
    fsteps->clear();
    frun = std::make_unique<tguidedrun>(fwindow.form(), s);
    frun->onchanged = [this] { changed(); };
    show();
    raise();
    if (!frun->start()) {
        frun.reset();
        hide();
        return false;
    }
    fwindow.refresh_actions();
    return true;
}

void TGuidedPanel::changed() {
    if (!frun) return;
    const tguidedprotocol& p = frun->protocol();
    if (fshown.isValid() && fshown.elapsed() < 100 && p.steps().size() == fshownsteps &&
        p.phase() == fshownphase)
        return;
    fshown.start();
    fshownsteps = p.steps().size();
    fshownphase = p.phase();
    show_state(p, frun->now());
    if (p.finished()) fwindow.refresh_actions();
}

void TGuidedPanel::show_state(const tguidedprotocol& p, double now) {
    finstruction->setText(qtext(p.instruction()));
    if (p.finished()) {
        const std::int32_t lo = p.lowestreached(), hi = p.highestreached();
        fnote->setText(lo < 0 ? "No note reached"
                              : "Reached " + qtext(notename(lo, false)) + " to " +
                                    qtext(notename(hi, false)) + " (" + QString::number(hi - lo) +
                                    " semitones)");
        fstep->setText(QString::number(p.steps().size()) + " steps in " +
                       QString::number(std::lround(p.ended() - p.started())) + " s");
    } else {
        fnote->setText(note_text(p.target()) + (p.goingdown() ? "  ↓" : "  ↑"));
        fstep->setText("Step " + QString::number(p.steps().size() + 1) + ", " +
                       QString::number(std::ceil(p.stepsecondsleft(now))) +
                       " s left in it; at most " + QString::number(p.stepsleft() - 1) +
                       " steps after it");
    }
    fsoft->setValue(int(std::lround(100 * (p.finished() ? 0 : p.softshare()))));
    floud->setValue(int(std::lround(100 * (p.finished() ? 0 : p.loudshare()))));
    while (fsteps->topLevelItemCount() < int(p.steps().size())) {
        const tguidedstep& st = p.steps()[std::size_t(fsteps->topLevelItemCount())];
        fsteps->addTopLevelItem(
            new QTreeWidgetItem({qtext(notename(st.note, false)), guided_outcome_text(st.outcome),
                                 QString::number(st.seconds, 'f', 1) + " s"}));
    }
    // Once the list is laid out, too: the panel may only just have been shown.
    fsteps->scrollToBottom();
    QTimer::singleShot(0, fsteps, [list = fsteps] { list->scrollToBottom(); });
    for (QPushButton* b : {frepeat, fskip, fstop}) b->setEnabled(!p.finished());
    mark_target(p.finished() ? -1 : p.target());
}

void TGuidedPanel::mark_target(std::int32_t note) {
    TDrawingArea* area = fwindow.drawing_area();
    TKeyBoard* kb = area->keyboard();
    kb->model().set_target(note);
    if (note < 0 || note < kb->model().LoKey() || note > kb->model().get_hikey()) {
        faxismark->hide();
        return;
    }
    faxismark->setText("▲ " + qtext(notename(note, false)));
    faxismark->adjustSize();
    const TAxis* axis = area->faxis();
    const int x = kb->x() + kb->model().midi_to_pixel(note) - faxismark->width() / 2;
    // At the foot of the view, over the axis' ticks, where the axis' numbers stay readable.
    faxismark->move(x, axis->y() - faxismark->height() / 2);
    faxismark->show();
    faxismark->raise();
}

TGuidedPanel& guided_panel(TMainWindow& window) {
    if (auto* p = window.findChild<TGuidedPanel*>("guidedpanel")) return *p;
    return *new TGuidedPanel(window);
}

void open_guided_profile(TMainWindow& window) {
    TGuidedPanel& panel = guided_panel(window);
    if (panel.running()) {
        panel.show();
        panel.raise();
        return;
    }
    const tadvancedsettings& a = window.form().advanced;
    TGuidedSettingsDialog dialog(a.lokey, a.lokey + a.nkeys - 1, &window);
    dialog.set_settings(panel.last_settings());
    fit_on_screen(dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    panel.start(dialog.settings());
}

bool show_guided_stage(TMainWindow& window, const std::string& stage) {
    if (stage != "start" && stage != "midway" && stage != "end") return false;
    TForm1& f = window.form();
    tguidedsettings s;
    s.lowestnote = f.advanced.lokey;
    s.highestnote = f.advanced.lokey + f.advanced.nkeys - 1;
    tguidedprotocol p(s);
    p.start(0);
    // The clock in blocks of the recorder, as a take's would go.
    double t = 0;
    // Midway: two steps up done, the tone of the next one sounding.
    const auto midway = [&] {
        const auto up = std::count_if(p.steps().begin(), p.steps().end(),
                                      [&](const tguidedstep& st) { return st.note > s.startnote; });
        return up >= 2 && p.phase() == tguidedphase::tone && t - p.ended() >= 0.5;
    };
    // The protocol counts what each step adds to the map: the take's voice at a note is heard
    // once that note's tone has sounded.
    tpg heard = make_empty_pg();
    tpgarr& column = heard.param[pglayeracctime].arr;
    const tpgarr& take = f.pgs[0].param[pglayeracctime].arr;
    while (stage != "start" && !p.finished() && !(stage == "midway" && midway()) && t < 3600) {
        t += 0.02;
        for (std::int32_t y = 0; y < nlevelbins; ++y)
            column[p.target()][y] = p.tone() ? 0.0 : take[p.target()][y];
        p.update(heard, t);
    }
    if (stage == "start") t = 0.5;
    TGuidedPanel& panel = guided_panel(window);
    panel.show();
    panel.show_state(p, t);
    return true;
}

} // namespace gravon
