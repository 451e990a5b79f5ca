#include "calibration/file_calibrations.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "files/safe_file.h"
#include "files/utf8_path.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace gravon {

namespace {

namespace fs = std::filesystem;

// Fields are separated by tabs and entries by line ends; a text keeps neither.
std::string one_field(std::string s) {
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return s;
}

std::optional<std::uintmax_t> size_of(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t n = fs::file_size(utf8path(path), ec);
    if (ec) return std::nullopt;
    return n;
}

std::vector<std::string> split_tabs(const std::string& line, std::size_t fields) {
    std::vector<std::string> out;
    std::size_t from = 0;
    // The path comes last and takes the rest of the line.
    while (out.size() + 1 < fields) {
        const std::size_t tab = line.find('\t', from);
        if (tab == std::string::npos) return {};
        out.push_back(line.substr(from, tab - from));
        from = tab + 1;
    }
    out.push_back(line.substr(from));
    return out;
}

} // namespace

std::string remembered_path(const std::string& soundfile) {
    std::error_code ec;
    const fs::path p = fs::absolute(utf8path(soundfile), ec);
    return ec ? soundfile : pathtoutf8(p.lexically_normal());
}

std::vector<tfilecalibrationentry> tfilecalibrations::read() const {
    std::vector<tfilecalibrationentry> entries;
    std::ifstream in(utf8path(fname), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> f = split_tabs(line, 7);
        if (f.size() != 7 || f[6].empty()) continue;
        tfilecalibrationentry e;
        try {
            e.size = std::uintmax_t(std::stoull(f[0]));
            e.channel = std::int32_t(std::stol(f[1]));
            e.calibration.fullscale = strtofloatdot(f[2]);
            e.calibration.status = std::int32_t(std::stol(f[3]));
            e.calibration.distance = strtofloatdot(f[4]);
        } catch (const std::exception&) {
            continue;
        }
        if (!(e.calibration.fullscale > 0) || e.channel < 0) continue;
        e.calibration.text = f[5];
        e.path = f[6];
        // Paths hold no tabs: what follows one is the reference's stretch.
        const std::vector<std::string> stretch = split_tabs(f[6], 3);
        if (stretch.size() == 3) {
            e.path = stretch[0];
            try {
                e.calibration.referencestart = strtofloatdot(stretch[1]);
                e.calibration.referenceend = strtofloatdot(stretch[2]);
            } catch (const std::exception&) {
                continue;
            }
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

void tfilecalibrations::write(const std::vector<tfilecalibrationentry>& entries) const {
    TSafeFile out(fname, true);
    for (const tfilecalibrationentry& e : entries) {
        out.stream() << e.size << '\t' << e.channel << '\t'
                     << floattostrdot(e.calibration.fullscale) << '\t' << e.calibration.status
                     << '\t' << floattostrdot(e.calibration.distance) << '\t'
                     << one_field(e.calibration.text) << '\t' << e.path;
        if (e.calibration.referenceend > e.calibration.referencestart)
            out.stream() << '\t' << floattostrdot(e.calibration.referencestart) << '\t'
                         << floattostrdot(e.calibration.referenceend);
        out.stream() << '\n';
    }
    out.commit();
}

std::optional<tfilecalibration> tfilecalibrations::find(const std::string& soundfile,
                                                        std::int32_t channel) const {
    const std::string path = remembered_path(soundfile);
    const std::optional<std::uintmax_t> size = size_of(soundfile);
    if (!size) return std::nullopt;
    for (const tfilecalibrationentry& e : read())
        if (e.path == path && e.channel == channel && e.size == *size) return e.calibration;
    return std::nullopt;
}

void tfilecalibrations::remember(const std::string& soundfile, std::int32_t channel,
                                 const tfilecalibration& c) {
    const std::string path = remembered_path(soundfile);
    const std::optional<std::uintmax_t> size = size_of(soundfile);
    if (!size || path.find_first_of("\t\r\n") != std::string::npos)
        throw EOSError("The calibration of " + soundfile + " cannot be remembered: " +
                       (size ? "its name holds a tab or a line end" : "the file cannot be read"));
    std::vector<tfilecalibrationentry> entries = read();
    std::erase_if(entries, [&](const tfilecalibrationentry& e) {
        return e.path == path && e.channel == channel;
    });
    entries.push_back({path, *size, channel, c});
    write(entries);
}

void tfilecalibrations::forget(const std::string& soundfile, std::int32_t channel) {
    const std::string path = remembered_path(soundfile);
    std::vector<tfilecalibrationentry> entries = read();
    const std::size_t before = entries.size();
    std::erase_if(entries, [&](const tfilecalibrationentry& e) {
        return e.path == path && e.channel == channel;
    });
    if (entries.size() != before) write(entries);
}

} // namespace gravon
