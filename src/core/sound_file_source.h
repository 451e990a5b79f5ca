// A sound file as the replay reads it: an SMP file through the SMP component, a WAV file
// through the own reader, any other (and a WAV the own reader refuses) through libsndfile.
// Each read of a channel opens the file afresh, so that a channel can be read more than once:
// to measure a reference in it, to draw its waveform, and to analyse it.
#pragma once

#include "core/main_window.h"
#include "files/smp_file.h"
#include "files/sndfile_reader.h"
#include "files/wav_file.h"

#include <string>

namespace gravon {

class tsoundfilesource {
  public:
    tsoundfilesource() = default;
    // SMP files are read through smp, which stays attached to the file afterwards.
    explicit tsoundfilesource(TSMPfile& smp) : fsmp(&smp) {}
    tsoundfilesource(const tsoundfilesource&) = delete;
    tsoundfilesource& operator=(const tsoundfilesource&) = delete;

    // Opens fname and describes it in source; the reason when it cannot be read ("" when it
    // can). kind names the file in calibration texts: "Wav file" or "Sound file". channel is
    // the one to be analysed: an SMP file gives a rate and a calibration per channel, which
    // source then holds (in its header), and delivers the channel in pascals. Raises
    // EInvalidSMPHeader for an SMP file whose header cannot be read.
    std::string open(const std::string& fname, std::int32_t channel = 0);

    tsoundsource source;
    std::string kind;

  private:
    void describe_smp(std::int32_t channel);
    std::size_t read(int channel, const tsamplesink& sink);
    std::size_t read_smp(int channel, const tsamplesink& sink);
    std::string fname;
    TWavFile wav;
    tsndfilereader snd;
    TSMPfile ownsmp;
    TSMPfile* fsmp = &ownsmp;
    bool bysndfile = false;
    bool bysmp = false;
    bool isopen = false;
};

} // namespace gravon
