// Test helpers: synthetic analysis windows and their spectra, computed independently of the
// FFT component by a plain DFT with the same scaling (Hanning window, mean removed before
// and after windowing, divided by the window size).
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace gravon::testing {

struct tpartial {
    double harmonic = 1;  // multiple of f0
    double amplitude = 0; // peak amplitude, units of 20 uPa
    double phase = 0;     // radians
};

// Harmonic signal: sum of amplitude * sin(2 pi harmonic f0 t + phase), t = (i + start) / fs.
inline std::vector<double> harmonic_window(int len, double fs, double f0,
                                           const std::vector<tpartial>& partials, long start = 0) {
    std::vector<double> x(std::size_t(len), 0.0);
    for (int i = 0; i < len; ++i) {
        const double t = double(i + start) / fs;
        double v = 0;
        for (const tpartial& p : partials)
            v += p.amplitude * std::sin(2 * std::numbers::pi * p.harmonic * f0 * t + p.phase);
        x[std::size_t(i)] = v;
    }
    return x;
}

// A sawtooth-like voice: partial h has amplitude a1 / h, up to the highest below fmax.
inline std::vector<tpartial> voice_partials(double f0, double a1, double fmax) {
    std::vector<tpartial> ps;
    for (int h = 1; h * f0 < fmax; ++h) ps.push_back({double(h), a1 / h, 0.3 * h});
    return ps;
}

// Amplitude (units of 20 uPa) of a sine whose level is `db` dB re 20 uPa.
inline double sine_amplitude_for_level(double db) {
    return std::sqrt(2.0) * std::pow(10.0, db / 20.0);
}

struct tspectrum {
    std::vector<double> abs2; // N bins
    std::vector<double> db;   // N bins
};

// Spectrum of x (length W) in an N-point frame with a Hanning window.
inline tspectrum hanning_spectrum(const std::vector<double>& x, int n) {
    const int w = int(x.size());
    std::vector<double> win(std::size_t(n), 0.0);
    for (int i = 0; i < w; ++i)
        win[std::size_t(i)] = (1 - std::cos(2 * std::numbers::pi * i / (w - 1))) * 0.5;
    double mean = 0;
    for (double v : x) mean += v;
    mean /= w;
    std::vector<double> y(std::size_t(n), 0.0);
    for (int i = 0; i < w; ++i)
        y[std::size_t(i)] = (x[std::size_t(i)] - mean) * win[std::size_t(i)];
    double mean2 = 0;
    for (double v : y) mean2 += v;
    mean2 /= n;
    for (double& v : y) v -= mean2;
    std::vector<double> c(static_cast<std::size_t>(n)), s(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        c[std::size_t(k)] = std::cos(2 * std::numbers::pi * k / n);
        s[std::size_t(k)] = std::sin(2 * std::numbers::pi * k / n);
    }
    tspectrum sp;
    sp.abs2.assign(std::size_t(n), 0.0);
    sp.db.assign(std::size_t(n), -3250.0);
    for (int k = 0; k <= n / 2; ++k) {
        double re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            const std::size_t t = std::size_t((std::int64_t(k) * i) % n);
            re += y[std::size_t(i)] * c[t];
            im += y[std::size_t(i)] * s[t];
        }
        re /= w;
        im /= w;
        const double a2 = re * re + im * im;
        sp.abs2[std::size_t(k)] = a2;
        if (k > 0 && k < n / 2) sp.abs2[std::size_t(n - k)] = a2;
    }
    for (int k = 0; k < n; ++k)
        if (sp.abs2[std::size_t(k)] > 0)
            sp.db[std::size_t(k)] = 10 * std::log10(sp.abs2[std::size_t(k)]);
    return sp;
}

// dB spectrum of a crafted power spectrum (0 power gives -3250 as the FFT component does).
inline std::vector<double> to_db(const std::vector<double>& abs2) {
    std::vector<double> d(abs2.size());
    for (std::size_t k = 0; k < abs2.size(); ++k)
        d[k] = abs2[k] > 0 ? 10 * std::log10(abs2[k]) : -3250.0;
    return d;
}

// Cents between two frequencies.
inline double cents(double f, double ref) {
    return 1200.0 * std::log2(f / ref);
}

} // namespace gravon::testing
