// A take as a recorder elsewhere makes it, with its reference: a steady tone of known level,
// then a phonation (a harmonic complex on 200 Hz) of known level, then the room's quiet noise,
// written as a 16-bit WAV file whose digital full scale stands for a known pressure.
#pragma once

#include "files/wav_file.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace gravon::testing {

struct treferencetake {
    double fullscale = 20.0; // Pa the file's full scale stands for
    double tonehz = 1000.0;
    double tonespl = 94.0; // dB SPL of the tone
    double toneseconds = 3.0;
    // dB SPL of the phonation: inside the background-noise range (25 to 50 dB) as long as the
    // file is taken at 1 Pa full scale, so that the window measures a background noise then.
    double voicespl = 72.0;
    double voiceseconds = 2.0;
    double noisespl = 35.0; // and then
    double noiseseconds = 1.0;
    double fs = 44100.0;
};

// The A-weighting of IEC 61672 at f Hz, in dB.
inline double a_weighting_db(double f) {
    const double f2 = f * f;
    const double ra = 12194.0 * 12194.0 * f2 * f2 /
                      ((f2 + 20.6 * 20.6) * std::sqrt((f2 + 107.7 * 107.7) * (f2 + 737.9 * 737.9)) *
                       (f2 + 12194.0 * 12194.0));
    return 20.0 * std::log10(ra) + 2.0;
}

inline void write_reference_take(const std::string& path, const treferencetake& t) {
    const double pi = std::numbers::pi;
    const auto relative_rms = [&](double spl) {
        return 2e-5 * std::pow(10.0, spl / 20.0) / t.fullscale;
    };
    const std::size_t ntone = std::size_t(t.toneseconds * t.fs);
    const std::size_t nvoice = std::size_t(t.voiceseconds * t.fs);
    const std::size_t nnoise = std::size_t(t.noiseseconds * t.fs);
    tsinglearr x(ntone + nvoice + nnoise, 0.0f);
    const double toneamp = std::sqrt(2.0) * relative_rms(t.tonespl);
    for (std::size_t i = 0; i < ntone; ++i)
        x[i] = float(toneamp * std::sin(2 * pi * t.tonehz * double(i) / t.fs));
    // Harmonics falling 6 dB an octave: the sum of their squared amplitudes halved is the
    // mean square.
    constexpr int nharmonics = 12;
    double ms = 0;
    for (int k = 1; k <= nharmonics; ++k) ms += 0.5 / double(k * k);
    const double scale = relative_rms(t.voicespl) / std::sqrt(ms);
    for (std::size_t i = 0; i < nvoice; ++i) {
        double v = 0;
        for (int k = 1; k <= nharmonics; ++k)
            v += std::sin(2 * pi * 200.0 * k * double(i) / t.fs) / k;
        x[ntone + i] = float(scale * v);
    }
    // Uniform noise of the same sequence every time: its rms is its half-width over sqrt(3).
    const double halfwidth = std::sqrt(3.0) * relative_rms(t.noisespl);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < nnoise; ++i) {
        state = state * 1664525u + 1013904223u;
        x[ntone + nvoice + i] = float(halfwidth * (2.0 * double(state) / 4294967296.0 - 1.0));
    }
    TWavFile w;
    w.setsampfreq(std::int32_t(t.fs));
    w.setnchans(1);
    w.setnbits(16);
    w.setformat(tFormat::pcm);
    w.setfullscale(0, 1.0);
    w.save_file(path, std::vector<tsinglearr>{x}, false, false);
}

} // namespace gravon::testing
