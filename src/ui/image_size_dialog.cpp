#include "ui/image_size_dialog.h"

#include "ui/ok_cancel_buttons.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace gravon {

namespace {

// Large enough for a poster at print resolution, small enough to stay in memory.
constexpr int largestside = 16000;

QSpinBox* pixels_box(int value, const char* name) {
    auto* b = new QSpinBox;
    b->setObjectName(name);
    b->setRange(16, largestside);
    b->setSuffix(" px");
    b->setValue(value);
    return b;
}

} // namespace

std::optional<QSize> ask_image_size(QWidget* parent, QSize suggested, QSize proportions) {
    QDialog d(parent);
    d.setObjectName("imagesizedialog");
    d.setWindowTitle("Copy image at size");
    auto* width = pixels_box(suggested.width(), "imagewidth");
    auto* height = pixels_box(suggested.height(), "imageheight");
    auto* keep = new QCheckBox("Keep the window's proportions");
    keep->setObjectName("keepproportions");
    keep->setChecked(true);
    const double aspect =
        double(std::max(1, proportions.height())) / std::max(1, proportions.width());
    bool following = false;
    const auto follow = [&](QSpinBox* to, double value) {
        if (!keep->isChecked() || following) return;
        following = true;
        to->setValue(std::clamp(int(std::lround(value)), to->minimum(), to->maximum()));
        following = false;
    };
    QObject::connect(width, &QSpinBox::valueChanged, &d,
                     [&](int w) { follow(height, w * aspect); });
    QObject::connect(height, &QSpinBox::valueChanged, &d,
                     [&](int h) { follow(width, h / aspect); });
    auto* form = new QFormLayout;
    form->addRow("Width:", width);
    form->addRow("Height:", height);
    auto* buttons = ok_cancel_buttons(d);
    auto* layout = new QVBoxLayout(&d);
    layout->addLayout(form);
    layout->addWidget(keep);
    layout->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return QSize(width->value(), height->value());
}

} // namespace gravon
