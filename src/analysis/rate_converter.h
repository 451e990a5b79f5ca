// A stream taken to another sampling rate by band-limited interpolation, computed on demand:
// the input is kept for a while, and an output sample is made only when someone reads it, so a
// stretch of the stream that nobody looks at costs nothing but the copy of its input.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace gravon {

class tratestream {
  public:
    // Half the interpolation kernel's width in zero crossings of the lower of the two rates.
    static constexpr int zerocrossings = 10;

    // Prepares the conversion from rate `in` to rate `out` (Hz) and keeps at least `keep`
    // seconds of input. Allocates; everything afterwards does not. Empties the stream.
    void prepare(double in, double out, double keep);
    // Empties the stream: sample 0 of the output is at the time of the next input sample.
    void reset();
    // Appends input samples.
    void push(std::span<const float> x);

    // Number of input samples pushed since the reset.
    std::int64_t inputcount() const { return fcount; }
    double inputrate() const { return finrate; }
    // The output samples that the input pushed so far fully determines: 0 ... this - 1.
    std::int64_t available() const;
    // The first output sample whose input is still kept.
    std::int64_t earliest() const;
    // Output samples first ... first + out.size() - 1 (all within earliest() ... available() - 1;
    // those outside read 0).
    void read(std::int64_t first, std::span<double> out) const;
    // Delay of the output behind the input, in output samples: what the kernel's right half
    // waits for.
    double lag() const { return freach / fratio; }

  private:
    double sample(std::int64_t k) const; // without a table of phases
    double kernelat(double d) const;     // kernel at d input samples from the position

    double finrate = 1;
    double fratio = 1; // input samples per output sample
    double fscale = 1; // kernel argument per input sample (zero crossings)
    double fgain = 1;  // kernel gain for unit passband
    double freach = 0; // input samples on each side of an output sample's position
    bool fidentity = true;
    std::vector<float> fkernel; // kernel at kernelsteps points per zero crossing, one side
    // For rates in a small whole-number ratio: the kernel's taps for each phase an output
    // sample can have between two input samples, taken without interpolation.
    std::int64_t fin = 0, fout = 0, fphasestep = 1; // rates and the phase unit, Hz
    int ftaps = 0, freachtaps = 0;                  // taps per phase; taps before the position
    std::vector<float> fphases;                     // [phase][tap]
    std::vector<float> fring;                       // the kept input
    std::int64_t fmask = 0;
    std::int64_t fcount = 0;
};

} // namespace gravon
