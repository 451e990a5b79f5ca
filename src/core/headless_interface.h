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

    // Each note a warning.
    tanswer tell(const tfact& fact) override;
    void progress(const std::string& what, double fraction) override;
    void progress_done() override;
    void request_close() override {}

    // An error or warning box was shown, or the program reported an error.
    bool failed() const { return ffailed; }
    // A line "gravon-cli: error: " + text; the run has failed. The headless program's own
    // errors about its options and outputs.
    void error(const std::string& text);
    // The notes, kept for the summary table.
    const std::vector<std::string>& warnings() const { return fwarnings; }
    // What made the run fail, in order, as printed: "caption: text" of a box, the text of an
    // error (line breaks as newlines).
    const std::vector<std::string>& failures() const { return ffailures; }

  private:
    // A line "gravon-cli: warning: " + text: the result is there but doubtful.
    void warn(const std::string& text);
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
