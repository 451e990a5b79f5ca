// TFFT: turns one block of samples into a spectrum. The block is windowed, its mean removed,
// zero-filled to a power-of-two frame and transformed; the result is offered as real and
// imaginary parts, complex values, magnitude, power, level in dB and phase. Each form is
// computed only when first read after new input and cached until the input or sizes change.
//
// Conventions of the result (callers rely on them):
//   X[k] = (1/W) * sum_n w[n] * (x[n] - m) * exp(+j*2*pi*k*n/N),  k = 0..N-1
// that is, the kernel has a POSITIVE exponent (imaginary parts and phases of a real input
// have the opposite sign from the usual forward transform) and the scaling is by the window
// size W, not by N. All outputs cover the full N bins, not half the spectrum.
#pragma once

#include "base/errors.h"
#include "base/types.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gravon {

// Raised on misuse of a TFFT (sizes out of range); the message is shown to the user.
struct EFFTError : EGravonError {
    using EGravonError::EGravonError;
};

// Window kinds, in this order (the order is stored in settings files).
enum class TFFTWindow : std::int32_t {
    rectangle = 0,
    Bartlett = 1,
    Hamming = 2,
    Hanning = 3,
    Blackman = 4
};

// Window-size factor of a window kind: rectangle 1, Bartlett/Hamming/Hanning 2, Blackman 4.
// The analysis window is fs / bandwidth * factor samples long.
int windowsizefactor(TFFTWindow w);

// Value of a window kind at the phase phi in [0, 2*pi] (0 and 2*pi are the two ends).
double windowvalue(TFFTWindow w, double phi);

// Level of a bin whose power is exactly 0, in dB.
inline constexpr double fftzerodb = -3250.0;
// Largest FFT or window size accepted.
inline constexpr std::int32_t fftmaxsize = 16777216;

// The sum of x that the mean removal takes: four running sums in index order, value i going to
// sum i mod 4 (the last n mod 4 values to sum 0), then (s0 + s1) + (s2 + s3).
double inputsum(std::span<const double> x);
// The same from the four running sums.
inline double inputsum(const double (&lanes)[4]) {
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
}

class TFFT {
  public:
    // LogFFTSize 8 (N = 256), Hamming, WindowSize 256, RemoveDC and IgnoreInIm on, skews 0.5.
    TFFT();

    // ---- Sizes and window ----
    // log2 N. A value outside 2..20 is ignored without a message. Marks the tables stale.
    std::int32_t LogFFTSize() const { return flogfftsize; }
    void setLogFFTSize(std::int32_t value);
    // N. Writing sets N to the smallest power of two >= value; a value below 2 or above
    // 16777216 raises EFFTError "FFT size out of range (<value>)" and keeps the sizes.
    std::int32_t FFTSize() const { return ffftsize; }
    void setFFTSize(std::int32_t value);
    // W. A value below 2 or above 16777216 raises EFFTError "Window size out of range" and
    // keeps the sizes. When N < W, FFTSize is raised to W.
    std::int32_t WindowSize() const { return fwindowsize; }
    void setWindowSize(std::int32_t value);
    // Window kind; writing rebuilds the tables at once (already computed outputs are kept).
    TFFTWindow Window() const { return fwindow; }
    void setWindow(TFFTWindow value);
    // Skews: the window rises over the fraction L of its length, holds its peak up to the
    // fraction R and falls over the rest; 0.5/0.5 is the plain window. Writing rebuilds the
    // tables at once. A non-finite value raises EFFTError "Window skew out of range".
    double windowleftskew() const { return fwindowleftskew; }
    void setwindowleftskew(double value);
    double windowrightskew() const { return fwindowrightskew; }
    void setwindowrightskew(double value);

    // ---- Inputs ----
    // Writing copies the values into the component's input buffer (no allocation when the
    // length is unchanged). When the length differs from W, FFTSize and then WindowSize are
    // set to the length (an EFFTError for a length below 2 or above 16777216). Every output
    // becomes stale.
    const tdoublearr& InRe() const { return finre; }
    void setInRe(std::span<const double> values);
    // The input buffer, for writing InRe in place instead of handing over a finished array:
    // the sizes follow `length` as with setInRe (an EFFTError likewise), InRe then holds
    // `length` values (those it held are kept, new ones are 0) and every output becomes
    // stale. The caller writes the values before it reads an output; the buffer stays valid
    // until the input is written again.
    std::span<double> InReForWriting(std::size_t length);
    // The input as two halves that lie apart, which the caller keeps as they are until the
    // input is written again: the same as an InRe of first followed by second, without a
    // copy (InRe itself is then not the input). The sizes follow the whole length as with
    // setInRe.
    void setInReHalves(std::span<const double> first, std::span<const double> second);
    // The input's values, from InRe or the halves.
    tdoublearr InReValues() const;
    // The sum of the input as the mean removal takes it (inputsum), from a caller that has it
    // already; it holds until the input is written again.
    void setInReSum(double sum) {
        finresum = sum;
        finresumknown = true;
    }
    const tdoublearr& InIm() const { return finim; }
    void setInIm(std::span<const double> values);
    // The last chunk assigned. Writing: when `used` differs from W, FFTSize and WindowSize
    // are set to `used`; both inputs get W values, InRe[i] = data[i] and InIm[i] = 0. A
    // `used` above 16384 raises ERangeError (one below 2 an EFFTError).
    const tsamplechunk& InChunk() const { return finchunk; }
    void setInChunk(const tsamplechunk& chunk);

    // ---- Outputs (length N; the component's own buffers, overwritten by the next
    // computation and reallocated when N changes) ----
    // Reading while N < W (FFTSize written below WindowSize and not restored) raises
    // EFFTError, since no window of that size fits the frame.
    const tdoublearr& OutRe();
    const tdoublearr& OutIm();
    const tcomplexarr& OutComplex();
    const tdoublearr& OutAbs();  // sqrt(re^2 + im^2)
    const tdoublearr& OutAbs2(); // re^2 + im^2
    // OutAbs2 for a caller that reads no bin above N/2: those bins hold exactly the values
    // OutAbs2 gives; after a real input's transform the bins above them, which would be
    // their mirror, are stale until OutAbs2 is read.
    const tdoublearr& OutAbs2Lower();
    const tdoublearr& OutdB();    // 10*log10(re^2 + im^2), or -3250 where that is 0
    const tdoublearr& OutPhase(); // radians, -pi..pi, atan(im/re) placed in its quadrant
    // OutdB computed only as far as bin count - 1: for a caller that reads a few low bins of
    // the level spectrum. The returned buffer is OutdB's; bins 0..count-1 hold exactly the
    // values OutdB gives, the others are stale until OutdB is read (which completes them).
    // A count beyond the bins that are not mirrors computes the whole of OutdB.
    const tdoublearr& OutdBFirst(std::int32_t count);
    // A bin whose arithmetic overflows (or whose input was not finite) reads 0 in the
    // derived outputs (abs, abs2, dB, phase); the other bins are still computed.

    // ---- Flags ----
    bool RemoveDC() const { return fremovedc; }
    void setRemoveDC(bool value) { fremovedc = value; }
    // When true the imaginary input is treated as zero.
    bool IgnoreInIm() const { return fignoreinim; }
    void setIgnoreInIm(bool value) { fignoreinim = value; }
    // True when the transform or any derived output is stale. Writing any value marks the
    // transform and every derived output stale.
    bool Dirty() const;
    void setDirty(bool value);

    // The current window values, length N (zero from index W on). Rebuilds the tables first
    // when they are stale; raises EFFTError while N < W.
    const tdoublearr& WinValues();

  private:
    void rebuildtables();
    void ensuretables();
    void marksizechange();
    void markoutputsdirty();
    void transform();
    void ensuretransform();
    void ensureparts();
    void ensureupperhalf();
    void computedb(std::int32_t from, std::int32_t to);
    void realtransform(double mr);
    void complextransform(double mr, double mi);

    // Sizes and settings.
    std::int32_t ffftsize = 256;
    std::int32_t flogfftsize = 8;
    std::int32_t fwindowsize = 256;
    TFFTWindow fwindow = TFFTWindow::Hamming;
    bool fremovedc = true;
    std::span<const double> fhalf[2];
    bool fhalves = false;
    double finresum = 0;
    bool finresumknown = false;
    bool fignoreinim = true;
    double fwindowleftskew = 0.5;
    double fwindowrightskew = 0.5;

    // Tables, built for ftablesize (= N at the last rebuild).
    std::int32_t ftablesize = 0;
    // Twiddles e^(+j*pi*f/d) of every butterfly span d = 1, 2, 4, .., N/2, stage d stored
    // from index d - 1 (N - 1 values in all).
    tdoublearr ftwr, ftwi;
    // Bit-reversed indices over log2 N bits (complex input) and log2 N - 1 bits (real input
    // packed into N/2 complex values).
    std::vector<std::uint32_t> fbitflip, fbitfliphalf;
    tdoublearr fwin;

    // Inputs.
    tdoublearr finre, finim;
    tsamplechunk finchunk;

    // Scratch: the packed half-size frame of a real input.
    tdoublearr fscratch;

    // Outputs.
    tdoublearr foutre, foutim, foutdb, foutabs, foutabs2, foutphase;
    tcomplexarr foutcomplex;
    // True when the last transform came from a real input, so bin N-k mirrors bin k exactly.
    bool fsymmetric = false;
    // The bins above N/2 of a real input's transform are not yet filled in.
    bool fmirrorpending = false;
    // The transform of a real input left the power of bins 0...N/2 in foutabs2.
    bool fabs2lower = false;
    // ... and its bins 0...N/2 are still packed in the scratch buffer, not yet in foutre and
    // foutim.
    bool fpartspending = false;

    // Staleness.
    bool farrdirty = true;
    bool ffftdirty = true;
    bool foutcompdirty = true;
    bool fdbdirty = true;
    bool fabsdirty = true;
    bool fabs2dirty = true;
    bool fabs2mirrorpending = false;
    bool fphasedirty = true;
    // Leading bins of foutdb already computed while fdbdirty (a multiple of 4 or the end).
    std::int32_t fdbdone = 0;
};

} // namespace gravon
