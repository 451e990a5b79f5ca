#include "core/guided_protocol.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "phonetogram/pg_param.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace gravon {

std::optional<std::int32_t> parse_note(const std::string& text) {
    if (text.empty()) return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (text.size() > 3) return std::nullopt;
        const int n = std::stoi(text);
        return n <= 127 ? std::optional<std::int32_t>(n) : std::nullopt;
    }
    static const int classes[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    const char letter = char(std::toupper(static_cast<unsigned char>(text[0])));
    if (letter < 'A' || letter > 'G') return std::nullopt;
    int n = classes[letter - 'A'];
    std::size_t i = 1;
    if (i < text.size() && (text[i] == '#' || text[i] == 'b')) n += text[i++] == '#' ? 1 : -1;
    const std::string octave = text.substr(i);
    const bool negative = !octave.empty() && octave[0] == '-';
    const std::string digits = negative ? octave.substr(1) : octave;
    if (digits.size() != 1 || digits[0] < '0' || digits[0] > '9') return std::nullopt;
    const int midi = (negative ? -(digits[0] - '0') : digits[0] - '0') * 12 + 12 + n;
    if (midi < 0 || midi > 127) return std::nullopt;
    return midi;
}

tnotecolumn note_column(const tpg& pg, std::int32_t note) {
    tnotecolumn c{};
    if (note < 0 || note >= nf0bins || pg.param.size() <= pglayeracctime) return c;
    const tpgarr& t = pg.param[pglayeracctime].arr;
    for (std::int32_t y = 0; y < nlevelbins; ++y) c[std::size_t(y)] = t[note][y];
    return c;
}

tnotelevels note_levels(const tnotecolumn& t, double phonationtime) {
    tnotelevels r;
    constexpr std::int32_t nbands = nlevelbins - softloudband + 1;
    // Band y: the levels y ... y + softloudband - 1; its time, and the level in it that holds
    // the most time (the lowest of equals), which stands for the band.
    std::array<double, nbands> band{};
    std::array<std::int32_t, nbands> peak{};
    for (std::int32_t y = 0; y < nbands; ++y) {
        peak[std::size_t(y)] = y;
        for (std::int32_t k = 0; k < softloudband; ++k) {
            band[std::size_t(y)] += t[std::size_t(y + k)];
            if (t[std::size_t(y + k)] > t[std::size_t(peak[std::size_t(y)])])
                peak[std::size_t(y)] = y + k;
        }
    }
    for (std::int32_t y = 0; y < nlevelbins; ++y) r.time += t[std::size_t(y)];
    std::int32_t soft = -1;
    for (std::int32_t y = 0; y < nbands && soft < 0; ++y)
        if (band[std::size_t(y)] >= phonationtime) soft = y;
    if (soft < 0) {
        r.softtime = *std::max_element(band.begin(), band.end());
        return r;
    }
    r.soft = peak[std::size_t(soft)];
    r.softtime = band[std::size_t(soft)];
    for (std::int32_t y = nbands - 1; y > soft && r.loud < 0; --y) {
        if (peak[std::size_t(y)] - r.soft < minsoftloud) continue;
        if (band[std::size_t(y)] >= phonationtime) {
            r.loud = peak[std::size_t(y)];
            r.loudtime = band[std::size_t(y)];
        } else {
            r.loudtime = std::max(r.loudtime, band[std::size_t(y)]);
        }
    }
    return r;
}

void tguidedprotocol::start(double now) {
    fsteps.clear();
    fdown = true;
    ffailures = 0;
    fstarted = now;
    fended = now;
    begin_step(fsettings.startnote, now);
}

void tguidedprotocol::begin_step(std::int32_t note, double now) {
    fnote = note;
    fstepstart = now;
    fphase = tguidedphase::tone;
    fsoftshare = 0;
    floudshare = 0;
    fneedbefore = true;
}

void tguidedprotocol::update(const tpg& pg, double now) {
    if (finished()) return;
    tnotecolumn column = note_column(pg, fnote);
    if (fneedbefore) {
        fbefore = column;
        fneedbefore = false;
    }
    for (std::size_t y = 0; y < column.size(); ++y)
        column[y] = std::max(0.0, column[y] - fbefore[y]);
    const tnotelevels l = note_levels(column, fsettings.phonationtime);
    fsoftshare = std::min(1.0, l.softtime / fsettings.phonationtime);
    floudshare = std::min(1.0, l.loudtime / fsettings.phonationtime);
    if (fphase == tguidedphase::tone && now - fstepstart >= fsettings.tonetime)
        fphase = tguidedphase::soft;
    if (fphase == tguidedphase::soft && fsoftshare >= 1) fphase = tguidedphase::loud;
    if (fphase == tguidedphase::loud && floudshare >= 1)
        end_step(tguidedoutcome::done, now);
    else if (fphase != tguidedphase::tone && now - fstepstart >= fsettings.steplimit)
        end_step(l.time >= fsettings.phonationtime ? tguidedoutcome::partial
                                                   : tguidedoutcome::failed,
                 now);
}

void tguidedprotocol::repeat(double now) {
    if (!finished()) begin_step(fnote, now);
}

void tguidedprotocol::skip(double now) {
    if (!finished()) end_step(tguidedoutcome::skipped, now);
}

void tguidedprotocol::stop(double now) {
    if (finished()) return;
    fsteps.push_back({fnote, tguidedoutcome::stopped, now - fstepstart});
    fphase = tguidedphase::finished;
    fended = now;
}

void tguidedprotocol::end_step(tguidedoutcome outcome, double now) {
    fsteps.push_back({fnote, outcome, now - fstepstart});
    fended = now;
    // A skipped step says nothing of the voice: the failures before it still count.
    if (outcome == tguidedoutcome::failed)
        ++ffailures;
    else if (outcome != tguidedoutcome::skipped)
        ffailures = 0;
    const std::int32_t next = fdown ? fnote - fsettings.stepsize : fnote + fsettings.stepsize;
    if (ffailures >= 2 || next < fsettings.lowestnote || next > fsettings.highestnote)
        turn_or_finish(now);
    else
        begin_step(next, now);
}

void tguidedprotocol::turn_or_finish(double now) {
    const std::int32_t up = fsettings.startnote + fsettings.stepsize;
    if (fdown && up <= fsettings.highestnote) {
        fdown = false;
        ffailures = 0;
        begin_step(up, now);
        return;
    }
    fphase = tguidedphase::finished;
    fended = now;
}

std::string tguidedprotocol::instruction() const {
    const std::string note = notename(fnote, false);
    switch (fphase) {
    case tguidedphase::tone:
        return "Listen: " + note;
    case tguidedphase::soft:
        return "Sing /a/ on " + note + " as softly as you can";
    case tguidedphase::loud:
        return "Now /a/ on " + note + " as loudly as you can";
    case tguidedphase::finished:
        break;
    }
    return "The guided profile is done";
}

double tguidedprotocol::stepsecondsleft(double now) const {
    return finished() ? 0 : std::max(0.0, fsettings.steplimit - (now - fstepstart));
}

std::int32_t tguidedprotocol::steps_to_edge(std::int32_t from, bool down) const {
    const std::int32_t span = down ? from - fsettings.lowestnote : fsettings.highestnote - from;
    return span < 0 ? 0 : span / fsettings.stepsize + 1;
}

std::int32_t tguidedprotocol::stepsleft() const {
    if (finished()) return 0;
    std::int32_t n = steps_to_edge(fnote, fdown);
    if (fdown) n += steps_to_edge(fsettings.startnote + fsettings.stepsize, false);
    return n;
}

std::int32_t tguidedprotocol::lowestreached() const {
    std::int32_t n = -1;
    for (const tguidedstep& s : fsteps)
        if ((s.outcome == tguidedoutcome::done || s.outcome == tguidedoutcome::partial) &&
            (n < 0 || s.note < n))
            n = s.note;
    return n;
}

std::int32_t tguidedprotocol::highestreached() const {
    std::int32_t n = -1;
    for (const tguidedstep& s : fsteps)
        if ((s.outcome == tguidedoutcome::done || s.outcome == tguidedoutcome::partial) &&
            s.note > n)
            n = s.note;
    return n;
}

double tguidedprotocol::allowedseconds() const {
    return double(fsteps.size()) * fsettings.steplimit;
}

const char* guided_outcome_text(tguidedoutcome o) {
    switch (o) {
    case tguidedoutcome::done:
        return "done";
    case tguidedoutcome::partial:
        return "partly";
    case tguidedoutcome::failed:
        return "not reached";
    case tguidedoutcome::skipped:
        return "skipped";
    case tguidedoutcome::stopped:
        return "stopped";
    }
    return "";
}

} // namespace gravon
