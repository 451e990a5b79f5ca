// How the two calibration windows end: by signing the calibration, or by closing, which stops
// their devices first.
#pragma once

#include "base/errors.h"
#include "core/user_interface.h"

#include <string>

namespace gravon {

// Signs for the name; false, with the refusal told, when it could not be signed. The window
// then stays: the user may free the folder and sign again, or cancel.
template <class tprocedure>
bool try_sign(tprocedure& procedure, const std::string& name, tuserinterface& ui) {
    try {
        procedure.sign(name);
    } catch (const EGravonError& e) {
        ui.tell(message_fact("Error", e.what(), tmessagekind::error));
        return false;
    }
    return true;
}

// A device that complains while it stops is told as a warning; the window closes all the same.
template <class tprocedure> void stop_for_closing(tprocedure& procedure, tuserinterface& ui) {
    try {
        procedure.stop();
    } catch (const EGravonError& e) {
        ui.tell(message_fact("Error", e.what(), tmessagekind::warning));
    }
}

} // namespace gravon
