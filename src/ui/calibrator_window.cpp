#include "ui/calibrator_window.h"

#include "calibration/calibration_procedures.h"
#include "core/device_choice.h"
#include "core/main_window.h"
#include "ui/calibration_window_end.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace gravon {

TCalibratorWindow::TCalibratorWindow(TForm1& form, twaveinservice& service, QWidget* parent)
    : QDialog(parent), fform(form), fprocedure(form, service) {
    setObjectName("CalibratorWindow");
    setWindowTitle("Calibrate with a calibrator");
    keep_title_whole(*this);
    instruction = new QLabel;
    instruction->setObjectName("instruction");
    instruction->setWordWrap(true);
    // Room for the instruction's lines whatever the width the title gives the window: a
    // wrapped label is otherwise given the height of its narrowest layout.
    instruction->setMinimumHeight(4 * instruction->fontMetrics().lineSpacing());
    instruction->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    levellabel = new QLabel("-");
    levellabel->setObjectName("levellabel");
    QFont big = levellabel->font();
    big.setPointSize(36);
    big.setBold(true);
    levellabel->setFont(big);
    levellabel->setAlignment(Qt::AlignCenter);
    nameedit = new QLineEdit;
    nameedit->setObjectName("nameedit");
    signbutton = new QPushButton;
    signbutton->setObjectName("signbutton");
    auto* cancel = new QPushButton("&Cancel");
    cancel->setObjectName("cancelbutton");
    connect(nameedit, &QLineEdit::textChanged, this, &TCalibratorWindow::fix_signbutton);
    connect(signbutton, &QPushButton::clicked, this, &TCalibratorWindow::sign);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* name = new QHBoxLayout;
    name->addWidget(new QLabel("Your name"));
    name->addWidget(nameedit);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(signbutton);
    buttons->addWidget(cancel);
    auto* v = new QVBoxLayout(this);
    v->addWidget(instruction);
    v->addWidget(levellabel);
    v->addLayout(name);
    v->addLayout(buttons);
    fprocedure.on_level = [this] { show_level(); };
    fprocedure.on_failed = [this](const std::string& text) {
        levellabel->setText("-");
        fform.ui.tell(posted_fact("Calibration",
                                  "The recording device " +
                                      sound_device_text(fform.advanced.recorddevice, true) +
                                      " failed: " + text +
                                      "\rThe level is no longer measured; close the window and "
                                      "calibrate again.",
                                  tmessagekind::error));
    };
    fix_signbutton();
}

bool TCalibratorWindow::start(int chno) {
    setWindowTitle(qtext(calibrator_caption(chno)));
    keep_title_whole(*this);
    instruction->setText(qtext(calibrator_instruction(chno, fform.advanced.calibratorspl)));
    if (chno >= 0 && std::size_t(chno) < fform.pgs.size()) {
        const TColor c = fform.pgs[std::size_t(chno)].color;
        levellabel->setStyleSheet(QString("color: rgb(%1, %2, %3)").arg(c.r).arg(c.g).arg(c.b));
    }
    levellabel->setText("-");
    fprocedure.fchanno = chno;
    fix_signbutton();
    try {
        fprocedure.start(chno);
    } catch (const EGravonError& e) {
        fform.ui.tell(message_fact("Error", e.what(), tmessagekind::error));
        return false;
    }
    return true;
}

int TCalibratorWindow::showmodal_channo(int chno) {
    if (!start(chno)) return QDialog::Rejected;
    return exec();
}

void TCalibratorWindow::show_level() {
    levellabel->setText(qtext(calibrator_level_text(fprocedure.level)));
    fix_signbutton();
}

void TCalibratorWindow::fix_signbutton() {
    const std::string name = stdtext(nameedit->text());
    signbutton->setText(qtext(sign_caption(fprocedure.fchanno, name)));
    signbutton->setEnabled(!name.empty() && fprocedure.level.has_value() &&
                           fprocedure.recorder().OwnBoard());
}

void TCalibratorWindow::sign() {
    const std::string name = stdtext(nameedit->text());
    if (name.empty()) return;
    if (try_sign(fprocedure, name, fform.ui)) accept();
}

void TCalibratorWindow::done(int r) {
    stop_for_closing(fprocedure, fform.ui);
    QDialog::done(r);
}

} // namespace gravon
