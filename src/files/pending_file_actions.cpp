// Interim bodies of file actions whose formats are still being written.
#include "core/main_window.h"

namespace gravon {

bool TForm1::FormCloseQuery() {
    if (!ask_to_save()) return false;
    Set_recording(false);
    return true;
}

} // namespace gravon
