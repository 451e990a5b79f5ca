#include "ui/ok_cancel_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>

namespace gravon {

QDialogButtonBox* ok_cancel_buttons(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    // accept is virtual: a dialog that checks its fields first does so here too.
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace gravon
