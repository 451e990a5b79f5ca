// Showing where a dialog's apply stopped: the focus goes to the field (for a grid, its cell)
// and the conversion message is shown through the main window's user interface.
#pragma once

#include "core/dialog_fields.h"
#include "core/user_interface.h"

class QWidget;

namespace gravon {

// Finds the child named after the failed field, focuses it (selecting the cell of a table)
// and shows the message. Returns false when the result is not a failure.
bool show_field_failure(QWidget& dialog, tuserinterface& ui, const tapplyresult& r);

} // namespace gravon
