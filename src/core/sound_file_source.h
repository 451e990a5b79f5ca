// A sound file as the replay reads it: a WAV file through the own reader, any other (and a
// WAV the own reader refuses) through libsndfile. Each read of a channel opens the file
// afresh, so that a channel can be read more than once: to measure a reference in it, to draw
// its waveform, and to analyse it.
#pragma once

#include "core/main_window.h"
#include "files/sndfile_reader.h"
#include "files/wav_file.h"

#include <string>

namespace gravon {

class tsoundfilesource {
  public:
    tsoundfilesource() = default;
    tsoundfilesource(const tsoundfilesource&) = delete;
    tsoundfilesource& operator=(const tsoundfilesource&) = delete;

    // Opens fname and describes it in source; the reason when it cannot be read ("" when it
    // can). kind names the file in calibration texts: "Wav file" or "Sound file".
    std::string open(const std::string& fname);

    tsoundsource source;
    std::string kind;

  private:
    std::size_t read(int channel, const tsamplesink& sink);
    std::string fname;
    TWavFile wav;
    tsndfilereader snd;
    bool bysndfile = false;
    bool isopen = false;
};

} // namespace gravon
