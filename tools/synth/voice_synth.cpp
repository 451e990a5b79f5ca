#include "synth/voice_synth.h"

#include "base/errors.h"
#include "base/rounding.h"
#include "synth/formant_filter.h"
#include "synth/glottal_source.h"
#include "synth/noise_source.h"
#include "synth/synth_random.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace gravon::synth {

namespace {

constexpr double kpref = 20e-6; // reference pressure of the dB SPL scale, Pa

// Walks the phrase list forward in time, one sample after the other.
class TContourCursor {
  public:
    explicit TContourCursor(const std::vector<tphrase>& phrases) : ph_(phrases) {}

    struct tstate {
        bool voiced = false;
        std::size_t phrase = 0;
        double semitone = 0, spl = 0;
        double since = 0, until = 0; // s since the phrase start and until its end
    };

    tstate at(double tp) {
        tstate st;
        while (p_ < ph_.size() && tp >= ph_[p_].points.back().time) {
            ++p_;
            s_ = 0;
        }
        if (p_ == ph_.size()) return st;
        const auto& pts = ph_[p_].points;
        if (tp < pts.front().time) return st;
        while (tp >= pts[s_ + 1].time) ++s_;
        const auto& a = pts[s_];
        const auto& b = pts[s_ + 1];
        const double u = (tp - a.time) / (b.time - a.time);
        st.voiced = true;
        st.phrase = p_;
        st.semitone = a.semitone + u * (b.semitone - a.semitone);
        st.spl = a.spl + u * (b.spl - a.spl);
        st.since = tp - pts.front().time;
        st.until = pts.back().time - tp;
        return st;
    }

  private:
    const std::vector<tphrase>& ph_;
    std::size_t p_ = 0, s_ = 0;
};

// RMS of the unit voice (source through the formants, unit level) as a function of the F0,
// on a grid of 0.01 semitone filled in as the contour reaches it. Dividing by it makes the
// voice's RMS follow the requested level whatever the F0 does relative to the formants.
class TVoiceRms {
  public:
    TVoiceRms(const TGlottalSource& src, const TFormantFilter& filt, double lo, double hi,
              double extra_power)
        : src_(src), filt_(filt), lo_(lo), extra_(extra_power),
          grid_(static_cast<std::size_t>((hi - lo) / kstep) + 3, -1.0) {}

    double at(double semitone) {
        double x = (semitone - lo_) / kstep;
        x = std::clamp(x, 0.0, static_cast<double>(grid_.size() - 2));
        const auto i = static_cast<std::size_t>(x);
        const double fr = x - static_cast<double>(i);
        return value(i) * (1 - fr) + value(i + 1) * fr;
    }

  private:
    static constexpr double kstep = 0.01;

    double value(std::size_t i) {
        if (grid_[i] < 0) {
            const double f0 = semitone_to_hz(lo_ + kstep * static_cast<double>(i));
            const int nh = TGlottalSource::harmonics(src_.table_for(f0));
            double ms = 0;
            for (int h = 1; h <= nh; ++h) ms += src_.harmonic_power(h) * filt_.power_gain(h * f0);
            grid_[i] = std::sqrt(ms * extra_);
        }
        return grid_[i];
    }

    const TGlottalSource& src_;
    const TFormantFilter& filt_;
    double lo_, extra_;
    std::vector<double> grid_;
};

// Aspiration noise passes the vocal tract with the glottis open, which damps the resonances:
// wider bandwidths. They also give the noise more independent components per frame, so a
// noisy voice's frame level wanders less.
std::vector<tformant> aspiration_formants(std::vector<tformant> f) {
    for (auto& x : f) x.bandwidth = std::max(3.0 * x.bandwidth, 200.0);
    return f;
}

std::string num(double v, const char* fmt = "%g") {
    char buf[48];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

} // namespace

double pa2_to_spl(double mean_square_pa2) {
    return 10.0 * std::log10(mean_square_pa2 / (kpref * kpref) + 1e-100);
}

tsynthresult synthesize(const tsynthparams& p) {
    validate_synth_params(p);

    tsynthresult r;
    r.rate = p.rate;
    r.channels = p.second == tsecondchannel::none ? 1 : 2;
    r.fullscale_pa = p.fullscale_pa;
    r.framelength = std::max(1, roundint(p.rate / 50.0));
    const std::int32_t hop = r.framelength;
    const double rate = p.rate;
    const double total_s = p.leadin + phonation_end(p) + p.tail;
    const auto nframes = std::max<std::int64_t>(
        1, static_cast<std::int64_t>(std::ceil(total_s * rate / hop - 1e-9)));
    r.length = nframes * hop;
    const int nch = r.channels;
    r.samples.assign(static_cast<std::size_t>(r.length * nch), 0);
    if (p.keep_float) r.floats.assign(nch, tsinglearr(static_cast<std::size_t>(r.length)));
    r.frames.resize(static_cast<std::size_t>(nframes));

    // Random streams, one per ingredient.
    TSynthRandom jitrng = make_stream(p.seed, tsynthstream::jitter);
    TSynthRandom shimrng = make_stream(p.seed, tsynthstream::shimmer);
    TSynthRandom asprng = make_stream(p.seed, tsynthstream::aspiration);
    TSynthRandom dithrng = make_stream(p.seed, tsynthstream::dither);
    TNoiseSource room0(p.noise_colour, make_stream(p.seed, tsynthstream::roomleft), rate);
    TNoiseSource room1(p.noise_colour, make_stream(p.seed, tsynthstream::roomright), rate);

    // The local jitter and shimmer of independent normal perturbations with standard
    // deviation s are 2s/sqrt(pi), hence s = value * sqrt(pi) / 2.
    const double halfsqrtpi = 0.5 * std::sqrt(std::numbers::pi);
    const double jitsd = p.jitter_percent / 100.0 * halfsqrtpi;
    const double shimsd = p.shimmer_db * halfsqrtpi;
    const double ln10_10 = std::log(10.0) / 10.0;
    const double shimpower = std::exp(0.5 * (shimsd * ln10_10) * (shimsd * ln10_10));

    const bool voiced_any = !p.phrases.empty();
    std::unique_ptr<TGlottalSource> src;
    TFormantFilter filt(p.formants, rate);
    TFormantFilter aspfilt(aspiration_formants(p.formants), rate);
    const bool aspiration = p.hnr_db < 200;
    // Voice and noise share the requested power in the ratio 1 : 10^(-HNR/10).
    const double noiseratio = std::pow(10.0, -p.hnr_db / 10.0);
    const double cvoice = aspiration ? std::sqrt(1.0 / (1.0 + noiseratio)) : 1.0;
    const double casp = aspiration ? std::sqrt(noiseratio / (1.0 + noiseratio)) : 0.0;
    const double aspscale = 1.0 / std::sqrt(aspfilt.white_noise_gain());

    double stlo = 200, sthi = -200;
    for (const auto& ph : p.phrases)
        for (const auto& b : ph.points) {
            stlo = std::min(stlo, b.semitone);
            sthi = std::max(sthi, b.semitone);
        }
    const double swing = p.vibrato_rate > 0 ? p.vibrato_cents / 100.0 : 0.0;
    std::unique_ptr<TVoiceRms> voicerms;
    if (voiced_any) {
        src = std::make_unique<TGlottalSource>(p.open_quotient, p.skew, rate);
        voicerms = std::make_unique<TVoiceRms>(*src, filt, stlo - swing - 0.1, sthi + swing + 0.1,
                                               shimpower);
        r.pulses.reserve(
            static_cast<std::size_t>(1.1 * phonation_end(p) * semitone_to_hz(sthi + swing)) + 16);
    }

    const double noiseamp = kpref * std::pow(10.0, p.noise_spl / 20.0) / p.fullscale_pa;
    const double xtalk = std::pow(10.0, -p.crosstalk_db / 20.0);
    const double fullscale_pref = p.fullscale_pa / kpref; // full scale in units of 20 uPa
    const double vibw = 2.0 * std::numbers::pi * p.vibrato_rate;

    // Clip limits in full-scale units. Clipping at full scale is the converter's own range,
    // so negative peaks read -32768 like a real overloaded 16-bit input.
    double cliphi = 1.0, cliplo = -1.0;
    if (p.clip) {
        cliphi = p.clip_level;
        cliplo = p.clip_level >= 1.0 ? -32768.0 / 32767.0 : -p.clip_level;
    }

    TContourCursor cursor(p.phrases);
    std::size_t curphrase = SIZE_MAX;
    double phase = 0, jfactor = 1, amp = 1;
    int table = 0;
    double ramp = p.ramp;
    bool wasvoiced = false;

    auto new_period = [&](double t, double f) {
        double e = jitsd > 0 ? std::clamp(jitsd * jitrng.gauss(), -4 * jitsd, 4 * jitsd) : 0.0;
        e = std::max(e, -0.5);
        const double a =
            shimsd > 0 ? std::clamp(shimsd * shimrng.gauss(), -4 * shimsd, 4 * shimsd) : 0.0;
        jfactor = 1.0 / (1.0 + e);
        amp = std::pow(10.0, a / 20.0);
        table = src->table_for(f * jfactor);
        r.pulses.push_back({t, (1.0 + e) / f, a});
    };

    double fms[2] = {0, 0}, stsum = 0;
    std::int32_t fullvoiced = 0, fclipped = 0;
    const auto len = r.length;
    for (std::int64_t n = 0; n < len; ++n) {
        const double t = static_cast<double>(n) / rate;
        double v = 0;
        const auto cs = voiced_any ? cursor.at(t - p.leadin) : TContourCursor::tstate{};
        if (cs.voiced) {
            if (!wasvoiced || cs.phrase != curphrase) {
                curphrase = cs.phrase;
                const auto& pts = p.phrases[curphrase].points;
                ramp = std::min(p.ramp, 0.5 * (pts.back().time - pts.front().time));
                phase = 0;
                filt.reset();
                aspfilt.reset();
                new_period(t, semitone_to_hz(cs.semitone));
            }
            const double st = cs.semitone + (swing > 0 ? swing * std::sin(vibw * cs.since) : 0.0);
            const double f = semitone_to_hz(st);
            const double s = amp * src->value(table, phase);
            const double dphi = f * jfactor / rate;
            const double before = phase;
            phase += dphi;
            if (phase >= 1.0) {
                phase -= 1.0;
                if (phase >= 1.0) phase = 0; // cannot happen below rate/4; guards rounding
                new_period((static_cast<double>(n) + (1.0 - before) / dphi) / rate, f);
            }
            double g = 1.0;
            if (ramp > 0) {
                if (cs.since < ramp)
                    g *= 0.5 * (1.0 - std::cos(std::numbers::pi * cs.since / ramp));
                if (cs.until < ramp)
                    g *= 0.5 * (1.0 - std::cos(std::numbers::pi * cs.until / ramp));
            }
            if (g == 1.0) {
                ++fullvoiced;
                stsum += st;
            }
            const double level = g * kpref * std::pow(10.0, cs.spl / 20.0) / p.fullscale_pa;
            v = level * cvoice * filt.process(s) / voicerms->at(st);
            if (aspiration) v += level * casp * aspscale * aspfilt.process(asprng.noise());
        }
        wasvoiced = cs.voiced;

        double x[2];
        x[0] = v + noiseamp * room0.next();
        if (nch == 2)
            x[1] =
                (p.second == tsecondchannel::crosstalk ? v * xtalk : 0.0) + noiseamp * room1.next();
        for (int c = 0; c < nch; ++c) {
            double xc = x[c];
            if (p.clip) {
                if (xc > cliphi || xc < cliplo) {
                    xc = std::clamp(xc, cliplo, cliphi);
                    ++fclipped;
                }
            } else if (xc > 1.0 || xc < -1.0) {
                throw EGravonError("The signal exceeds the full scale of " + num(p.fullscale_pa) +
                                   " Pa at " + num(t, "%.3f") + " s (channel " +
                                   std::to_string(c + 1) +
                                   "); lower the level, raise the full scale or allow clipping");
            }
            if (p.keep_float) r.floats[c][static_cast<std::size_t>(n)] = static_cast<float>(xc);
            double q = xc * 32767.0;
            if (p.dither) q += dithrng.uniform() - dithrng.uniform();
            const auto s16 = static_cast<std::int16_t>(std::clamp(roundint(q), -32768, 32767));
            r.samples[static_cast<std::size_t>(n * nch + c)] = s16;
            const double pr = s16 * fullscale_pref / 32767.0;
            fms[c] += pr * pr;
        }

        if ((n + 1) % hop == 0) {
            auto& fr = r.frames[static_cast<std::size_t>(n / hop)];
            fr.time = static_cast<double>(n + 1 - hop) / rate;
            fr.voiced = fullvoiced == hop;
            if (fr.voiced) {
                fr.semitone = stsum / hop;
                fr.f0 = semitone_to_hz(fr.semitone);
            }
            for (int c = 0; c < nch; ++c) fr.spl[c] = 10.0 * std::log10(fms[c] / hop + 1e-100);
            fr.clipped = fclipped;
            fms[0] = fms[1] = 0;
            stsum = 0;
            fullvoiced = 0;
            fclipped = 0;
        }
    }
    return r;
}

trecarr to_pascals(const tsynthresult& r) {
    trecarr out(r.channels, tsinglearr(static_cast<std::size_t>(r.length)));
    const double k = r.fullscale_pa / 32767.0;
    for (std::int64_t n = 0; n < r.length; ++n)
        for (int c = 0; c < r.channels; ++c)
            out[c][static_cast<std::size_t>(n)] =
                static_cast<float>(r.samples[static_cast<std::size_t>(n * r.channels + c)] * k);
    return out;
}

} // namespace gravon::synth
