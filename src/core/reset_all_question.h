// The settings dialogs' "Reset all ..." buttons: a question first, the reset only on OK.
#pragma once

#include <string>

namespace gravon {

class TForm1;

// Asks "Do you want to reset ALL " + what + " to default?" under the caption "Reset all " +
// what, and on OK runs the reset at once. Returns whether it did.
bool reset_all_after_asking(TForm1& form, const std::string& what, void (TForm1::*reset)());

} // namespace gravon
