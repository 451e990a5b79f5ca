// The user interface of the headless program: message boxes go to standard error as caption
// and text, questions that would need a person are answered No, and the progress of a long
// analysis is shown on standard error when it is a terminal.
#pragma once

#include "core/user_interface.h"

#include <cstdio>
#include <string>

namespace gravon {

class theadlessinterface : public tuserinterface {
  public:
    explicit theadlessinterface(std::FILE* err = stderr);

    void message_box(const std::string& caption, const std::string& text,
                     tmessagekind kind) override;
    tanswer question(const std::string& caption, const std::string& text,
                     tbuttons buttons) override;
    void progress(const std::string& what, double fraction) override;
    void progress_done() override;
    void request_close() override { fcloserequested = true; }

    // An error or warning box was shown, or a question went unanswered by a person.
    bool failed() const { return ffailed; }
    void set_failed() { ffailed = true; }
    bool close_requested() const { return fcloserequested; }

  private:
    std::FILE* ferr;
    bool fterminal;
    bool ffailed = false;
    bool fcloserequested = false;
    int flastpercent = -1;
};

} // namespace gravon
