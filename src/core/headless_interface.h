// The user interface of a run without a window: message boxes go to standard error as caption
// and text, questions that would need a person are answered No (said only when verbose), the
// program's own warnings about doubtful results go to standard error too, and the progress of
// a long analysis is shown on standard error when it is a terminal. The failures and warnings
// are also kept, for a host that reports them in its own way (the summary table, the Python
// module's exceptions); a host that prints nothing passes no stream.
#pragma once

#include "core/user_interface.h"

#include <cstdio>
#include <string>
#include <vector>

namespace gravon {

class theadlessinterface : public tuserinterface {
  public:
    explicit theadlessinterface(std::FILE* err = stderr, bool verbose = false);

    void message_box(const std::string& caption, const std::string& text,
                     tmessagekind kind) override;
    tanswer question(const std::string& caption, const std::string& text,
                     tbuttons buttons) override;
    void progress(const std::string& what, double fraction) override;
    void progress_done() override;
    void request_close() override {}

    // An error or warning box was shown, or the program reported an error.
    bool failed() const { return ffailed; }
    void set_failed() { ffailed = true; }
    // A line "gravon-cli: error: " + text; the run has failed.
    void error(const std::string& text);
    // A line "gravon-cli: warning: " + text: the result is there but doubtful. Kept for the
    // summary table.
    void warn(const std::string& text);
    const std::vector<std::string>& warnings() const { return fwarnings; }
    // What made the run fail, in order, as printed: "caption: text" of a box, the text of an
    // error (line breaks as newlines).
    const std::vector<std::string>& failures() const { return ffailures; }

  private:
    void print(const std::string& line);
    std::FILE* ferr;
    bool fterminal;
    bool fverbose;
    bool ffailed = false;
    std::vector<std::string> fwarnings;
    std::vector<std::string> ffailures;
    int flastpercent = -1;
};

} // namespace gravon
