// The settings read by the per-hop analysis, with their default values. The advanced settings
// are built on this struct, so the analysis reads the very values the user edits and saves.
#pragma once

#include "analysis/fft.h"

#include <array>

namespace gravon {

struct tanalysisparams {
    double fs = 44100.0; // sampling rate, Hz
    // Analysis bandwidth and window kind: the window is fs / fftbw x the kind's factor
    // samples long (applied through thopanalyser::set_analysis_bandwidth).
    double fftbw = 50.0; // Hz
    // A TFFTWindow value; kept as its number, as settings files store it.
    std::int32_t fftwindow = std::int32_t(TFFTWindow::Hanning);

    // F0 search and acceptance of a fundamental
    double lof0limit = 50.0;           // Hz
    double hif0limit = 2000.0;         // Hz
    double minsnr = 10.0;              // dB above the background noise
    double minrelpartiallevel = -30.0; // dB re the strongest partial
    // A lower F0 replaces a higher one only when the partials its series adds between the
    // higher one's hold at least this power, in dB re the partials the two series share:
    // otherwise a weak partial below the voice's fundamental (a subharmonic, a hum, a
    // neighbour's voice) would take every frame an octave down.
    bool subharmonicguard = true;
    double minsubharmonicratio = -15.0; // dB

    // Voice measures and rate tests
    double minhnr = 5.0;             // dB
    double maxf0speed = 7.0;         // semitones per frame
    double maxneglevelspeed = 100.0; // dB/s
    double maxposlevelspeed = 200.0; // dB/s

    // Background noise
    double holdnoisemeasurementtime = 0.1;     // s
    std::array<double, 2> noiselo{25.0, 25.0}; // dB, per channel
    std::array<double, 2> noisehi{50.0, 50.0}; // dB, per channel
    double noisequantile = 0.5;

    // Spectral block tests
    double hfblockthreshold = 15.0;  // dB
    double maxhfblocklevel = 70.0;   // dB
    double lfblockthreshold = -10.0; // dB

    // Blocking between the channels and by keyboard tones
    bool leftblockright = false;
    bool rightblockleft = false;
    double leftblockrightthreshold = 5.0; // dB
    double rightblockleftthreshold = 5.0; // dB
    bool keyboardblock = true;

    // High-pass corner of the measurement filters, Hz (applied when a recording is set up)
    double hpfreq = 40.0;

    // Top of the cepstral peak search for CPPS, Hz; a frame of a higher F0 gets no CPPS
    // (applied when a recording is set up)
    double cppsmaxf0 = 330.0;
    // The step of the cepstral frames, s, and the frames per hop whose CPPS is taken (0:
    // every frame). Praat's definition, 0.002 s and every frame, costs some 18 us a hop; a
    // frame every 10 ms, smoothed over the same 10 ms, stays within a quarter dB of it on
    // steady vowels at a fifth of the cost (applied when a recording is set up).
    double cppstimestep = 0.01;
    int cppshoppositions = 1;
};

} // namespace gravon
