// Interim bodies of file actions whose formats are still being written.
#include "core/main_window.h"

namespace gravon {

void TForm1::open_qubfile(const std::string& fname) {
    ui.message_box("Cannot open file", "Cannot open file " + fname, tmessagekind::warning);
}

void TForm1::save_temporary_settings() {}
void TForm1::restore_temporary_settings() {
    set_options_to_default();
    set_advanced_to_default();
}
void TForm1::add_recent_file(const std::string&) {}
bool TForm1::FormCloseQuery() {
    if (!ask_to_save()) return false;
    Set_recording(false);
    return true;
}
void TForm1::FormClose() {}

} // namespace gravon
