#include "audio/noise_generator.h"

#include "audio/stereo_fill.h"
#include "base/random.h"
#include "base/rounding.h"

#include <cmath>
#include <numbers>

namespace gravon {

tnoisegenerator::tnoisegenerator(double fs) {
    // Ten pole-zero pairs half an octave apart, one per octave from 20 Hz: -3 dB per octave
    // over the audible range.
    for (std::size_t i = 0; i < pinkfilters.size(); ++i) {
        TRealFilterSection& f = pinkfilters[i];
        f.setSampFreq(fs);
        f.setFPole(20.0 * std::pow(2.0, double(i)));
        f.setFZero(20.0 * std::pow(2.0, double(i) + 0.5));
        f.setUnityGainAtHF(false);
        f.setGain(1.0);
        f.reset();
    }
    // The zero lands at half the sampling rate: a plain first-order low-pass, 13.5 dB down so
    // that it is about as loud as the pink noise.
    brownnoisefilter.setSampFreq(fs);
    brownnoisefilter.setFPole(2000.0);
    brownnoisefilter.setFZero(1e9);
    brownnoisefilter.setUnityGainAtHF(false);
    brownnoisefilter.setGain(std::pow(10.0, -0.675));
    brownnoisefilter.reset();
    start(fs);
}

void tnoisegenerator::start(double fs) {
    noiseonsetcount = 0;
    noiseonsetnsamples = roundint(2.0 * fs);
    noiseonsetgain = 0.0;
}

double tnoisegenerator::next() {
    if (settings.softnoiseonset && noiseonsetcount <= noiseonsetnsamples &&
        noiseonsetnsamples > 0) {
        noiseonsetgain =
            (1.0 - std::cos(std::numbers::pi * noiseonsetcount / noiseonsetnsamples)) / 2.0;
        ++noiseonsetcount;
    } else {
        noiseonsetgain = 1.0;
    }
    if (settings.noiselevel != flevel) {
        flevel = settings.noiselevel;
        fgain = std::pow(10.0, flevel / 20.0) * 10.0;
    }
    // The order of the draws is part of the sequence every user of Random shares.
    const double u1 = Random();
    const double u2 = Random();
    double x = (u1 - u2) * fgain * noiseonsetgain * 32768.0;
    if (settings.noisespectrum == 0) {
        for (auto& f : pinkfilters) x = f.filter(x);
    } else if (settings.noisespectrum == 1) {
        x = brownnoisefilter.filter(x);
    }
    return x;
}

void tnoisegenerator::fill(TWaveChunk& arr, std::int32_t used) {
    fill_stereo(arr, used, settings.noiseplayleft, settings.noiseplayright,
                [this] { return next(); });
}

} // namespace gravon
