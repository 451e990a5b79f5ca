#include "core/headless_interface.h"

#include <unistd.h>

namespace gravon {

namespace {

// Message texts break lines with carriage returns; a terminal wants newlines.
std::string terminal_text(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += ch;
        }
    }
    return out;
}

} // namespace

theadlessinterface::theadlessinterface(std::FILE* err, bool verbose)
    : ferr(err), fterminal(err && isatty(fileno(err)) != 0), fverbose(verbose) {}

void theadlessinterface::print(const std::string& line) {
    if (!ferr) return;
    std::fprintf(ferr, "%s\n", line.c_str());
    std::fflush(ferr);
}

void theadlessinterface::error(const std::string& text) {
    progress_done();
    ffailed = true;
    ffailures.push_back(terminal_text(text));
    print("gravon-cli: error: " + ffailures.back());
}

void theadlessinterface::warn(const std::string& text) {
    progress_done();
    fwarnings.push_back(text);
    print("gravon-cli: warning: " + terminal_text(text));
}

tanswer theadlessinterface::tell(const tfact& fact) {
    switch (fact.kind) {
    case tmessagekind::notes:
        for (const std::string& note : fact.notes) warn(note);
        break;
    case tmessagekind::question:
        // Nobody is there to answer: the safe answer is the one that changes nothing. Every
        // run without /s meets the save questions, so they are only told when asked for.
        if (fverbose) {
            progress_done();
            print(fact.caption + ": " + terminal_text(fact.text) +
                  "\n  No one is there to answer: taken as No, so it is not done.");
        }
        break;
    default: {
        progress_done();
        const std::string line = fact.caption + ": " + terminal_text(fact.text);
        if (fact.kind == tmessagekind::error || fact.kind == tmessagekind::warning) {
            ffailed = true;
            ffailures.push_back(line);
        }
        print(line);
    }
    }
    return unattended_answer(fact);
}

void theadlessinterface::progress(const std::string& what, double fraction) {
    if (!fterminal) return;
    int percent = static_cast<int>(fraction * 100.0);
    if (percent == flastpercent) return;
    flastpercent = percent;
    std::fprintf(ferr, "\r%s %3d%%", what.c_str(), percent);
    std::fflush(ferr);
}

void theadlessinterface::progress_done() {
    if (fterminal && flastpercent >= 0) {
        std::fprintf(ferr, "\r\033[K");
        std::fflush(ferr);
    }
    flastpercent = -1;
}

} // namespace gravon
