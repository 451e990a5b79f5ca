#include "core/reset_all_question.h"

#include "core/main_window.h"

namespace gravon {

bool reset_all_after_asking(TForm1& form, const std::string& what, void (TForm1::*reset)()) {
    if (form.ui.tell(question_fact("Reset all " + what,
                                   "Do you want to reset ALL " + what + " to default?",
                                   tbuttons::ok_cancel)) != tanswer::ok)
        return false;
    (form.*reset)();
    return true;
}

} // namespace gravon
