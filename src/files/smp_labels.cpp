#include "files/smp_labels.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "base/text_utils.h"
#include "files/oem_codepage.h"
#include "files/safe_file.h"
#include "files/smp_scan.h"
#include "files/utf8_path.h"

#include <fstream>
#include <system_error>

namespace gravon {

namespace {

double labelnumber(const std::string& s) {
    try {
        return strtofloatdot(s);
    } catch (const EConvertError&) {
        return 0;
    }
}

[[noreturn]] void badlabelfile(const std::string& labelfile, const std::string& smpfile,
                               const std::string& why) {
    throw EInvalidSMPHeader("Label file " + labelfile + " of " + smpfile + "\r" + why);
}

} // namespace

tsmplabel parselabel(const std::string& line) {
    tsmplabel label;
    size_t a = line.find_first_of(",;");
    if (a == std::string::npos) {
        label.start = labelnumber(line);
        return label;
    }
    size_t b = line.find_first_of(",;", a + 1);
    label.start = labelnumber(line.substr(0, a));
    if (b == std::string::npos) {
        label.length = labelnumber(line.substr(a + 1));
        return label;
    }
    label.length = labelnumber(line.substr(a + 1, b - a - 1));
    label.text = line.substr(b + 1);
    return label;
}

std::string labelline(const tsmplabel& label) {
    std::string start = floattostrdot(label.start);
    std::string length = floattostrdot(label.length);
    return (start.empty() ? "0" : start) + "," + (length.empty() ? "0" : length) + "," + label.text;
}

bool islabelfilename(const std::string& name) {
    return name.size() > 4 && lowercase(name.substr(name.size() - 4)) == ".csv";
}

bool readlabelfile(const std::string& labelfile, const std::string& smpfile,
                   std::vector<tsmplabel>& labels) {
    std::error_code ec;
    auto path = utf8path(labelfile);
    if (!std::filesystem::exists(path, ec)) return false;
    if (!islabelfilename(labelfile)) return false;
    if (!std::filesystem::is_regular_file(path, ec))
        badlabelfile(labelfile, smpfile, "Is not a file");
    auto size = std::filesystem::file_size(path, ec);
    if (ec) badlabelfile(labelfile, smpfile, "Cannot be read");
    if (size > static_cast<unsigned long long>(smpmaxlabelfilebytes))
        badlabelfile(labelfile, smpfile, "Is too large for a label file");
    std::ifstream in(path, std::ios::binary);
    if (!in) badlabelfile(labelfile, smpfile, "Cannot be read");
    std::string content(static_cast<size_t>(size), '\0');
    in.read(content.data(), static_cast<std::streamsize>(size));
    content.resize(static_cast<size_t>(in.gcount()));

    std::vector<tsmplabel> read;
    bool firstline = true;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t eol = content.find('\n', pos);
        if (eol == std::string::npos) eol = content.size();
        std::string line = content.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (firstline) {
            firstline = false; // the name of the SMP file
            continue;
        }
        if (line.empty()) continue;
        read.push_back(parselabel(oemtotext(line)));
    }
    labels = std::move(read);
    return true;
}

bool writelabelfile(const std::string& labelfile, const std::string& smpfile,
                    const std::vector<tsmplabel>& labels) {
    if (!islabelfilename(labelfile)) return false;
    std::string text = texttooem(smpfile) + "\r\n";
    for (const auto& label : labels) {
        std::string line = labelline(label);
        for (char& ch : line)
            if (ch == '\r' || ch == '\n') ch = ' ';
        text += texttooem(line) + "\r\n";
    }
    try {
        write_file_safely(labelfile, text);
    } catch (const EOSError&) {
        return false;
    }
    return true;
}

} // namespace gravon
