// The OK and Cancel buttons of a dialog, in the platform's order, that accept or reject it.
#pragma once

class QDialog;
class QDialogButtonBox;

namespace gravon {

// Made for the dialog; the caller places the box in its layout.
QDialogButtonBox* ok_cancel_buttons(QDialog& dialog);

} // namespace gravon
