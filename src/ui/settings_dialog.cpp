#include "ui/settings_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace gravon {

void TSettingsDialog::ok() {
    if (factions.apply()) accept();
}

void TSettingsDialog::cancel() {
    reject();
}

void TSettingsDialog::apply_and_save() {
    if (factions.apply()) factions.save();
}

QPushButton* TSettingsDialog::add_buttons(QVBoxLayout* layout, const char* resetcaption,
                                          tactions actions) {
    factions = std::move(actions);
    const auto button = [](const char* caption, const char* name) {
        auto* b = new QPushButton(caption);
        b->setObjectName(name);
        return b;
    };
    auto* okbutton = button("&Ok", "okbutton");
    auto* cancelbutton = button("&Cancel", "cancelbutton");
    auto* resetbutton = button(resetcaption, "resetbutton");
    auto* applybutton = button("Apply!", "applybutton");
    auto* applysavebutton = button("Apply and save!", "applysavebutton");
    okbutton->setDefault(true);
    connect(okbutton, &QPushButton::clicked, this, &TSettingsDialog::ok);
    connect(cancelbutton, &QPushButton::clicked, this, &TSettingsDialog::cancel);
    connect(resetbutton, &QPushButton::clicked, this, [this] { factions.reset(); });
    connect(applybutton, &QPushButton::clicked, this, [this] { factions.apply(); });
    connect(applysavebutton, &QPushButton::clicked, this, &TSettingsDialog::apply_and_save);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {okbutton, cancelbutton, resetbutton, applybutton, applysavebutton})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    return applysavebutton;
}

} // namespace gravon
