#include "synth/truth_csv.h"

#include "base/errors.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

namespace gravon::synth {

namespace {

// Fixed-point text with "." as separator; to_chars ignores the locale.
void append_fixed(std::string& s, double v, int decimals) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    s.append(buf, res.ptr);
}

struct tfileclose {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

} // namespace

std::string truth_csv_text(const tsynthresult& r) {
    const bool stereo = r.channels == 2;
    std::string s = "time_s,voiced,f0_hz,semitone,spl_db";
    if (stereo) s += ",spl_right_db";
    s += ",clipped\n";
    s.reserve(s.size() + r.frames.size() * 56);
    for (const auto& f : r.frames) {
        append_fixed(s, f.time, 5);
        s += f.voiced ? ",1," : ",0,";
        append_fixed(s, f.f0, 4);
        s += ',';
        append_fixed(s, f.semitone, 4);
        s += ',';
        append_fixed(s, f.spl[0], 3);
        if (stereo) {
            s += ',';
            append_fixed(s, f.spl[1], 3);
        }
        s += ',';
        s += std::to_string(f.clipped);
        s += '\n';
    }
    return s;
}

void write_truth_csv(const std::string& path, const tsynthresult& r) {
    const std::string text = truth_csv_text(r);
    std::unique_ptr<std::FILE, tfileclose> f(std::fopen(path.c_str(), "wb"));
    if (!f) throw EGravonError("Cannot write \"" + path + "\": " + std::strerror(errno));
    const bool ok = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    const int err = errno;
    if (std::fclose(f.release()) != 0 || !ok) {
        std::remove(path.c_str());
        throw EGravonError("Cannot write \"" + path + "\": " + std::strerror(ok ? errno : err));
    }
}

} // namespace gravon::synth
