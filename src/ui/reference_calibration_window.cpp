#include "ui/reference_calibration_window.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "base/text_utils.h"
#include "calibration/reference_calibration.h"
#include "ui/canvas_shapes.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"
#include "ui/waveform_view.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace gravon {

namespace {

// A number as typed: the locale's decimal comma or a point.
bool typed_number(const QString& text, double& v) {
    return reference_number(replaceall(stdtext(text.trimmed()), ",", "."), v);
}

QLineEdit* number_edit(const char* name, const char* example) {
    auto* e = new QLineEdit;
    e->setObjectName(name);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QString(example) + "00"));
    return e;
}

} // namespace

TReferenceWindow::TReferenceWindow(TForm1& form, QWidget* parent) : QDialog(parent), fform(form) {
    setObjectName("ReferenceWindow");
    setWindowTitle("Calibrate from reference");
    auto* layout = new QVBoxLayout(this);
    auto* instruction = new QLabel(
        "Select the reference in the waveform below: the calibrator's tone, or the vowel whose "
        "level the sound level meter read. Enter the level it had and where it was read, sign, "
        "and press \"Calibrate\". The file is then analysed again with the full scale the "
        "reference gives, and the file keeps it.");
    instruction->setObjectName("instruction");
    instruction->setWordWrap(true);
    layout->addWidget(instruction);
    finfo = new QLabel;
    finfo->setObjectName("fileinfo");
    layout->addWidget(finfo);
    fwaveform = new TWaveformView;
    fwaveform->setMinimumWidth(fontMetrics().horizontalAdvance(QString(60, QChar('0'))));
    fwaveform->setMinimumHeight(8 * fontMetrics().height());
    layout->addWidget(fwaveform, 1);

    fstart = number_edit("startedit", "0000.000");
    fend = number_edit("endedit", "0000.000");
    flevel = number_edit("leveledit", "000.0");
    fdistance = number_edit("distanceedit", "0000");
    fname = new QLineEdit;
    fname->setObjectName("nameedit");
    funit = new QComboBox;
    funit->setObjectName("unitbox");
    funit->addItems({"dB SPL", "dB(A)"});
    auto* stretch = new QHBoxLayout;
    stretch->addWidget(fstart);
    stretch->addWidget(new QLabel("to"));
    stretch->addWidget(fend);
    stretch->addWidget(new QLabel("s"));
    stretch->addStretch(1);
    auto* level = new QHBoxLayout;
    level->addWidget(flevel);
    level->addWidget(funit);
    level->addStretch(1);
    auto* distance = new QHBoxLayout;
    distance->addWidget(fdistance);
    distance->addWidget(new QLabel("mm (empty: not stated)"));
    distance->addStretch(1);
    auto* fields = new QFormLayout;
    fields->addRow("Reference from", stretch);
    fields->addRow("Level of the reference", level);
    fields->addRow("Read at a distance of", distance);
    fields->addRow("Signature", fname);
    layout->addLayout(fields);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    fcalibrate = buttons->addButton("Calibrate", QDialogButtonBox::AcceptRole);
    fcalibrate->setObjectName("calibratebutton");
    connect(buttons, &QDialogButtonBox::accepted, this, &TReferenceWindow::calibrate);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(fwaveform, &TWaveformView::pressed, this, [this](int x) {
        fdown = fup = x;
        show_waveform();
    });
    connect(fwaveform, &TWaveformView::dragged, this, [this](int x) {
        if (fdown < 0) return;
        fup = std::clamp(x, 0, std::max(int(fwave.columns.size()) - 1, 0));
        show_waveform();
    });
    connect(fwaveform, &TWaveformView::released, this, [this] {
        if (fdown < 0) return;
        if (fup < fdown) std::swap(fup, fdown);
        select_columns(fdown, fup);
    });
    adjustSize();
    fit_on_screen(*this);
}

bool TReferenceWindow::load() {
    try {
        fwave = fform.soundfile_waveform(std::max(fwaveform->width(), 1));
    } catch (const EGravonError& e) {
        fform.ui.tell(
            message_fact("Cannot calibrate from the reference", e.what(), tmessagekind::error));
        return false;
    }
    finfo->setText(qtext(without_directory(fform.soundfilename) + ", channel " +
                         std::to_string(fwave.channel) + ", " +
                         formatfloat("0.000", fwave.duration) + " s"));
    fdown = fup = -1;
    show_waveform();
    return true;
}

void TReferenceWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // The columns follow the view's width; the stretch typed stays.
    if (!fwave.columns.empty() && int(fwave.columns.size()) != fwaveform->width()) {
        try {
            fwave = fform.soundfile_waveform(std::max(fwaveform->width(), 1));
        } catch (const EGravonError&) {
            return;
        }
        fdown = fup = -1;
        show_waveform();
    }
}

double TReferenceWindow::seconds_at(int column) const {
    if (fwave.columns.empty()) return 0;
    return fwave.duration * double(column) / double(fwave.columns.size());
}

void TReferenceWindow::select_columns(int from, int to) {
    fstart->setText(qtext(formatfloat("0.000", seconds_at(from))));
    fend->setText(qtext(formatfloat("0.000", seconds_at(to + 1))));
    show_waveform();
}

void TReferenceWindow::show_waveform() {
    fwaveform->set_waveform(fwave.columns, fdown, fup,
                            fform.pgs.empty() ? QColor(Qt::black) : qcolor(fform.pgs[0].color));
}

void TReferenceWindow::calibrate() {
    treference ref;
    const auto bad = [&](const std::string& what, const QLineEdit* e) {
        fform.ui.tell(message_fact("Cannot calibrate from the reference",
                                   "'" + stdtext(e->text()) + "' is not a number: enter " + what,
                                   tmessagekind::error));
    };
    if (!typed_number(fstart->text(), ref.start))
        return bad("the beginning of the reference in seconds", fstart);
    if (!typed_number(fend->text(), ref.end))
        return bad("the end of the reference in seconds", fend);
    if (!typed_number(flevel->text(), ref.level))
        return bad("the level of the reference in dB", flevel);
    ref.aweighted = funit->currentIndex() == 1;
    if (!fdistance->text().trimmed().isEmpty()) {
        double mm = 0;
        if (!typed_number(fdistance->text(), mm))
            return bad("the distance in mm, or nothing", fdistance);
        if (!(mm > 0)) {
            fform.ui.tell(message_fact("Cannot calibrate from the reference",
                                       "The distance " + stdtext(fdistance->text().trimmed()) +
                                           " mm is no distance: the level must be read at more "
                                           "than 0 mm from the mouth, or leave it empty",
                                       tmessagekind::error));
            return;
        }
        ref.distance = mm / 1000.0;
    }
    if (fform.calibrate_from_reference(ref, stdtext(fname->text().trimmed()))) accept();
}

} // namespace gravon
