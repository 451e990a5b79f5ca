// The smoothed cepstral peak prominence (CPPS) of a voice, frame by frame: the signal is taken
// to twice the highest frequency of interest, pre-emphasised and cut into Gaussian windows;
// each window's power cepstrum (the squared inverse transform of the log power spectrum) is
// averaged over neighbouring frames and quefrencies, and the prominence is the level of the
// cepstral peak in the F0 range above a straight line fitted robustly to the cepstrum from a
// low quefrency on. The parameters are those of the published AVQI script, so that values can
// be compared with the literature.
#pragma once

#include "analysis/fft.h"
#include "analysis/rate_converter.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace gravon {

struct tcppssettings {
    double maxfrequency = 5000;  // Hz; the signal is taken to twice this rate
    double pitchfloor = 60;      // Hz; the effective window length is 3 / pitchfloor
    double timestep = 0.002;     // s between cepstral frames
    double preemphasisfrom = 50; // Hz
    // Moving means over exactly these spans, the frames and the bins taken as joined by
    // straight lines: 0.01 s at 0.002 s weighs seven frames 1:7:8:8:8:7:1.
    double timesmoothing = 0.01;       // s, over frames
    double quefrencysmoothing = 0.001; // s, over quefrencies
    double peaklo = 60;                // Hz; the peak is searched from 1 / peakhi ...
    double peakhi = 330;               // ... to 1 / peaklo
    // s; the trend line is fitted from here (at least the first quefrency after 0) to the end.
    // Praat's Get CPPS with the AVQI script's range (0.001 s to 0, the end) fits over the whole
    // cepstrum after quefrency 0, its bottom being taken only with a top given; so does this.
    double trendfrom = 0;
    // Frames per hop whose prominence is taken, spread evenly over the hop, each from the
    // cepstra smoothed around it as above; 0: every frame, Praat's mean over all frames.
    int hoppositions = 0;
};

// The weights of a moving mean over `span` samples of a sequence joined by straight lines
// between its samples, for the samples at -n ... n from the centre; one weight for no span.
std::vector<double> span_weights(double span);

// The power cepstrum of one frame, and the prominence of a (smoothed) power cepstrum's peak.
class tpowercepstrum {
  public:
    // Sizes everything for frames at `rate` Hz. Allocates.
    void prepare(double rate, const tcppssettings& s);

    // Samples of one window (plus the one before it, for the pre-emphasis).
    int windowlength() const { return fwindowlength; }
    // Quefrency bins of a cepstrum: 0 ... nquefrencies - 1, at 1 / rate apart.
    int nquefrencies() const { return fnquef; }
    // The power cepstrum of x (windowlength() + 1 samples, the first being the sample before
    // the window) into cep (nquefrencies() values).
    void compute(std::span<const double> x, std::span<double> cep);
    // Smooths a frame-averaged power cepstrum over quefrency and returns the prominence of
    // its peak in dB. The cepstrum is used as scratch.
    double prominence(std::span<double> cep);

  private:
    double frate = 0;
    int fwindowlength = 0;
    int fnquef = 0;
    std::vector<double> fquefweights; // of the quefrency mean
    int fpeaklo = 0, fpeakhi = 0;     // bins of the peak search
    int ftrendfrom = 0;               // first bin of the trend line
    double fpreemphasis = 0;
    std::vector<double> fwindow;
    std::vector<double> fdb, fslopes, fscratch;
    TFFT fforward, finverse;
    std::vector<double> flogs;              // the log power spectrum, bins 0 ... n / 2
    std::vector<double> ffoldcos, ffoldsin; // of pi j / (n / 2)
};

// The CPPS of one channel, hop by hop: the mean over the cepstral frames that belong to the
// hop. A frame needs 1 / (2 pitchfloor) s of signal after its centre (and the time smoothing
// half its span more), which a live analysis does not have yet when the hop ends; the frames
// of a hop are therefore those whose centres lie a fixed lag before it, the shortest that
// all their samples are at hand. Only the hops asked for are computed; the others cost the
// copy of their samples.
class tcppstrack {
  public:
    // Prepares for hops of `hop` samples at `fs` Hz. Allocates; the rest does not.
    void prepare(double fs, int hop, const tcppssettings& s = {});
    // Forgets the stream, as for a new recording.
    void reset();
    // Takes the hop's samples (any unit; the prominence does not depend on scale).
    void push(std::span<const float> x);
    // The CPPS of the last `hop` samples pushed, in dB; NaN when no cepstral frame belongs to
    // them.
    double hopvalue(std::size_t hop);
    // The lag of a hop's frames behind the hop, in seconds.
    double lag() const { return double(flagout) / frate; }

  private:
    // Raw power cepstrum of frame m (centre at m * step output samples), computed once.
    std::span<const double> frame(std::int64_t m);

    tcppssettings fs;
    double frate = 0;
    int fstep = 1;       // output samples between frames
    int fhalfframes = 0; // frames on each side in the time mean
    std::vector<double> ftimeweights;
    std::int64_t flagout = 0;
    bool fready = false;
    int fmaxframes = 0; // most frames a hop may take
    tratestream fstream;
    tpowercepstrum fcep;
    int fslots = 0;
    std::vector<double> fcache;        // fslots raw cepstra
    std::vector<std::int64_t> fcached; // the frame number in each slot, -1 if none
    std::vector<double> fsmoothed;
    // The converted stream as far as frames have read it: output samples fhavefrom ...
    // fhaveto - 1, at their index modulo the ring's size (mask + 1), and again one size on, so
    // that any stretch of them lies in one piece.
    std::vector<double> fconverted;
    std::int64_t fconvertedmask = 0, fhavefrom = 0, fhaveto = 0;
    // Output samples first ... first + count - 1 (count at most the ring's size).
    std::span<const double> converted(std::int64_t first, int count);
};

} // namespace gravon
