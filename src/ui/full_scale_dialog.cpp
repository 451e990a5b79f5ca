#include "ui/full_scale_dialog.h"

#include "base/text_utils.h"
#include "ui/ok_cancel_buttons.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace gravon {

TFullScaleDialog::TFullScaleDialog(const tfullscalequestion& q, QWidget* parent) : QDialog(parent) {
    setObjectName("FullScaleDialog");
    setWindowTitle("Full scale of the sound file");
    auto* layout = new QVBoxLayout(this);
    auto* file = new QLabel(qtext(without_directory(q.filename)));
    file->setObjectName("filename");
    QFont bold = file->font();
    bold.setBold(true);
    file->setFont(bold);
    layout->addWidget(file);
    if (!q.headercalibration.empty()) {
        auto* own = new QLabel(
            qtext("The file carries its own calibration, which is kept:\n" + q.headercalibration));
        own->setObjectName("headercalibration");
        own->setWordWrap(true);
        layout->addWidget(own);
    } else {
        auto* help = new QLabel(
            "The full scale is the sound pressure in Pa that the largest sample value of the "
            "recorder stands for (94 dB SPL is 1 Pa rms). Leave it empty when it is not known: "
            "the levels are then relative to 1 Pa, and Calibrate from reference... in the "
            "Recording menu can measure it from a reference tone or vowel in the file.");
        help->setWordWrap(true);
        layout->addWidget(help);
        auto* grid = new QGridLayout;
        for (std::size_t c = 0; c < q.values.size(); ++c) {
            const int row = int(c);
            const bool analysed = std::int32_t(c) == q.analysedchannel;
            grid->addWidget(
                new QLabel(QString("Channel %1%2").arg(c).arg(analysed ? " (analysed)" : "")), row,
                0);
            auto* edit = new QLineEdit(qtext(q.values[c]));
            edit->setObjectName(QString("fullscale%1").arg(c));
            // Room for a number such as 1234.567, however large the font.
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("0000000.000000"));
            grid->addWidget(edit, row, 1);
            grid->addWidget(new QLabel("Pa"), row, 2);
            auto* how = new QLabel(c < q.texts.size() ? qtext(q.texts[c]) : QString());
            how->setObjectName(QString("calibrationtext%1").arg(c));
            how->setWordWrap(true);
            grid->addWidget(how, row, 3);
            fedits.push_back(edit);
        }
        grid->setColumnStretch(3, 1);
        layout->addLayout(grid);
    }
    auto* buttons = ok_cancel_buttons(*this);
    buttons->button(QDialogButtonBox::Ok)->setText("Analyse");
    layout->addWidget(buttons);
    adjustSize();
    fit_on_screen(*this);
}

std::vector<std::string> TFullScaleDialog::values() const {
    std::vector<std::string> v;
    for (const QLineEdit* e : fedits) v.push_back(stdtext(e->text()));
    return v;
}

} // namespace gravon
