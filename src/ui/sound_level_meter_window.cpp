#include "ui/sound_level_meter_window.h"

#include "core/main_window.h"
#include "ui/calibration_window_end.h"
#include "ui/meter_picture.h"
#include "ui/qt_text.h"
#include "ui/waveform_view.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace gravon {

namespace {

// Double-clicking the third method's picture shows the hidden "Save waveform..." button.
class tdoubleclicklabel : public QLabel {
  public:
    std::function<void()> on_double_click;

  protected:
    void mouseDoubleClickEvent(QMouseEvent*) override {
        if (on_double_click) on_double_click();
    }
};

} // namespace

TSoundLevelMeterWindow::TSoundLevelMeterWindow(TForm1& form, twaveinservice& in,
                                               twaveoutservice& out, QWidget* parent)
    : QDialog(parent), fform(form), fprocedure(form, in, out) {
    setObjectName("CalibrationWindow");
    instruction = new QLabel;
    instruction->setObjectName("instruction");
    instruction->setWordWrap(true);
    instruction->setMinimumHeight(4 * instruction->fontMetrics().height());
    instruction->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* image = new tdoubleclicklabel;
    image->setObjectName("methodimage");
    image->setAlignment(Qt::AlignCenter);
    methodimage = image;
    calibratebutton = new QPushButton("Calibrate!");
    calibratebutton->setObjectName("calibratebutton");
    startoverbutton = new QPushButton("<- Start over");
    startoverbutton->setObjectName("startoverbutton");
    levelcaption = new QLabel("SPL read on sound level meter [dBA]");
    leveledit = new QLineEdit;
    leveledit->setObjectName("leveledit");
    fwaveform = new TWaveformView;
    fwaveform->setMinimumWidth(500);
    signgroup = new QGroupBox("Signature");
    signgroup->setObjectName("signgroup");
    nameedit = new QLineEdit;
    nameedit->setObjectName("nameedit");
    signbutton = new QPushButton;
    signbutton->setObjectName("signbutton");
    auto* s = new QHBoxLayout(signgroup);
    s->addWidget(nameedit);
    s->addWidget(signbutton);
    overloadlabel = new QLabel;
    overloadlabel->setObjectName("overloadlabel");
    savewavebutton = new QPushButton("Save waveform...");
    savewavebutton->setObjectName("savewavebutton");
    savewavebutton->hide();
    auto* cancel = new QPushButton("&Cancel");
    cancel->setObjectName("cancelbutton");

    connect(calibratebutton, &QPushButton::clicked, this, &TSoundLevelMeterWindow::calibrate);
    connect(startoverbutton, &QPushButton::clicked, this, &TSoundLevelMeterWindow::start_over);
    connect(leveledit, &QLineEdit::textChanged, this, [this](const QString& t) {
        fprocedure.leveltext = stdtext(t);
        fix_things();
    });
    connect(nameedit, &QLineEdit::textChanged, this, &TSoundLevelMeterWindow::fix_things);
    connect(signbutton, &QPushButton::clicked, this, &TSoundLevelMeterWindow::sign);
    connect(savewavebutton, &QPushButton::clicked, this, &TSoundLevelMeterWindow::save_waveform);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(fwaveform, &TWaveformView::pressed, this, [this](int x) {
        fprocedure.mouse_down(x);
        show_waveform();
    });
    connect(fwaveform, &TWaveformView::dragged, this, [this](int x) {
        fprocedure.mouse_move(x);
        show_waveform();
    });
    connect(fwaveform, &TWaveformView::released, this, [this] {
        fprocedure.mouse_up();
        show_waveform();
        fix_things();
    });
    image->on_double_click = [this] {
        if (fprocedure.calmethod == 4) savewavebutton->show();
    };
    shaketimer.setInterval(100);
    connect(&shaketimer, &QTimer::timeout, this, &TSoundLevelMeterWindow::shake);
    fprocedure.on_waveform = [this] { show_waveform(); };
    fprocedure.on_failed = [this](const std::string& text) {
        fform.ui.tell(posted_fact("Calibration",
                                  text + "\rThe calibration cannot go on; start it over or close "
                                         "the window.",
                                  tmessagekind::error));
    };

    auto* top = new QHBoxLayout;
    top->addWidget(instruction, 1);
    top->addWidget(methodimage);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startoverbutton);
    buttons->addWidget(calibratebutton);
    auto* level = new QHBoxLayout;
    level->addWidget(levelcaption);
    level->addWidget(leveledit);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(savewavebutton);
    bottom->addStretch();
    bottom->addWidget(cancel);
    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addLayout(buttons);
    v->addLayout(level);
    v->addWidget(fwaveform, 1);
    v->addWidget(signgroup);
    v->addWidget(overloadlabel);
    v->addLayout(bottom);
    resize(700, 480);
}

void TSoundLevelMeterWindow::start(int chno, int method) {
    setWindowTitle(qtext(meter_caption(chno, method)));
    // The set-up of the method, as tall as the instruction beside it.
    methodimage->setPixmap(
        meter_method_picture(method, instruction->minimumHeight(), devicePixelRatioF()));
    leveledit->clear();
    nameedit->clear();
    // The ring gets one column per pixel of the laid-out waveform.
    layout()->activate();
    step([&] { fprocedure.start(chno, method, std::max(fwaveform->width(), 500)); });
}

int TSoundLevelMeterWindow::showmodal_channo(int chno, int method) {
    start(chno, method);
    return exec();
}

void TSoundLevelMeterWindow::step(const std::function<void()>& change) {
    const std::int32_t before = fprocedure.calstep();
    try {
        change();
    } catch (const EGravonError& e) {
        fform.ui.tell(message_fact("Error", e.what(), tmessagekind::error));
    }
    if (fprocedure.calstep() != before) {
        // A new step draws the eye with a short shake of its instruction.
        shakecount = 0;
        instructionpos = instruction->pos();
        shaketimer.start();
        if (fprocedure.calstep() <= 2) leveledit->clear();
    }
    show_waveform();
    fix_things();
}

void TSoundLevelMeterWindow::calibrate() {
    step([this] { fprocedure.advance(); });
}

void TSoundLevelMeterWindow::start_over() {
    step([this] { fprocedure.start_over(); });
}

void TSoundLevelMeterWindow::shake() {
    ++shakecount;
    if (shakecount > 6) {
        shaketimer.stop();
        return;
    }
    instruction->move(instructionpos + QPoint(shakecount % 2 == 1 ? 3 : 0, 0));
}

void TSoundLevelMeterWindow::fix_things() {
    const std::string name = stdtext(nameedit->text());
    calibratebutton->setText(qtext(fprocedure.button_caption()));
    calibratebutton->setEnabled(fprocedure.calibrate_enabled());
    startoverbutton->setEnabled(fprocedure.start_over_enabled());
    instruction->setText(qtext(fprocedure.instruction(name)));
    levelcaption->setVisible(fprocedure.level_visible());
    leveledit->setVisible(fprocedure.level_visible());
    leveledit->setReadOnly(!fprocedure.level_editable());
    signgroup->setVisible(fprocedure.signing_visible());
    overloadlabel->setVisible(fprocedure.signing_visible());
    overloadlabel->setText(qtext(fprocedure.overloadtext));
    signbutton->setText(qtext(sign_caption(fprocedure.fchanno, name)));
    signbutton->setEnabled(fprocedure.signing_visible() && !name.empty());
}

void TSoundLevelMeterWindow::show_waveform() {
    QColor color = Qt::black;
    const std::int32_t c = fprocedure.fchanno;
    if (c >= 0 && std::size_t(c) < fform.pgs.size()) {
        const TColor pc = fform.pgs[std::size_t(c)].color;
        color = QColor(pc.r, pc.g, pc.b);
    }
    fwaveform->set_waveform(fprocedure.ringbuffer.wavedisplay(), fprocedure.downcursor,
                            fprocedure.upcursor, color);
}

void TSoundLevelMeterWindow::sign() {
    const std::string name = stdtext(nameedit->text());
    if (name.empty() || !fprocedure.signing_visible()) return;
    if (try_sign(fprocedure, name, fform.ui)) accept();
}

void TSoundLevelMeterWindow::save_waveform() {
    const std::string name = fform.ui.save_file_name(
        "Save waveform", "Wave file (*.wav)|*.wav|All files (*.*)|*.*", ".wav");
    if (name.empty()) return;
    try {
        fprocedure.save_waveform(name);
    } catch (const EGravonError& e) {
        fform.ui.tell(message_fact("Cannot save file", e.what(), tmessagekind::error));
    }
}

void TSoundLevelMeterWindow::done(int r) {
    shaketimer.stop();
    stop_for_closing(fprocedure, fform.ui);
    QDialog::done(r);
}

} // namespace gravon
