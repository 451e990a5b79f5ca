// A user interface for tests that takes the core's facts as the window would show them: each
// message or question a box of its own, notes together in one warning box. A test's interface
// overrides the boxes it records.
#pragma once

#include "core/user_interface.h"

#include <string>

namespace gravon::testing {

class tmessageboxinterface : public tsilentinterface {
  public:
    tanswer tell(const tfact& fact) override {
        if (fact.kind == tmessagekind::question)
            return question(fact.caption, fact.text, fact.buttons);
        const tfact m = as_message(fact);
        if (m.deferred)
            post_message(m.caption, m.text, m.kind);
        else
            message_box(m.caption, m.text, m.kind);
        return tanswer::ok;
    }
    virtual void message_box(const std::string& caption, const std::string& text,
                             tmessagekind kind) {}
    virtual void post_message(const std::string& caption, const std::string& text,
                              tmessagekind kind) {
        message_box(caption, text, kind);
    }
    virtual tanswer question(const std::string& caption, const std::string& text,
                             tbuttons buttons) {
        return tsilentinterface::tell(question_fact(caption, text, buttons));
    }
};

} // namespace gravon::testing
