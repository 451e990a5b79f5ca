#include "core/user_interface.h"

namespace gravon {

std::string notes_text(const std::vector<std::string>& notes) {
    std::string text;
    for (const std::string& n : notes) {
        if (!text.empty()) text += "\r\r";
        std::string line = n;
        if (!line.empty() && line[0] >= 'a' && line[0] <= 'z') line[0] = char(line[0] - 'a' + 'A');
        text += line;
    }
    return text;
}

tfact message_fact(const std::string& caption, const std::string& text, tmessagekind kind) {
    tfact f;
    f.kind = kind;
    f.caption = caption;
    f.text = text;
    return f;
}

tfact posted_fact(const std::string& caption, const std::string& text, tmessagekind kind) {
    tfact f = message_fact(caption, text, kind);
    f.deferred = true;
    return f;
}

tfact question_fact(const std::string& caption, const std::string& text, tbuttons buttons) {
    tfact f = message_fact(caption, text, tmessagekind::question);
    f.buttons = buttons;
    return f;
}

tfact notes_fact(const std::string& caption, const std::vector<std::string>& notes) {
    tfact f;
    f.kind = tmessagekind::notes;
    f.caption = caption;
    f.notes = notes;
    return f;
}

tfact as_message(const tfact& fact) {
    if (fact.kind != tmessagekind::notes) return fact;
    tfact f = message_fact(fact.caption, notes_text(fact.notes), tmessagekind::warning);
    f.deferred = fact.deferred;
    return f;
}

tanswer unattended_answer(const tfact& fact) {
    if (fact.kind != tmessagekind::question) return tanswer::ok;
    return fact.buttons == tbuttons::ok || fact.buttons == tbuttons::ok_cancel ? tanswer::cancel
                                                                               : tanswer::no;
}

} // namespace gravon
