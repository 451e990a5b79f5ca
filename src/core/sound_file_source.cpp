#include "core/sound_file_source.h"

#include "base/text_utils.h"

namespace gravon {

std::string tsoundfilesource::open(const std::string& name) {
    fname = name;
    const std::string ext = lowercase_extension(fname);
    bool opened = false;
    bysndfile = false;
    std::string wavfailure, sndfailure;
    if (ext == ".wav") {
        try {
            opened = wav.open_file(fname, true);
        } catch (const EGravonError& e) {
            wavfailure = e.what();
        }
    }
    if (!opened) {
        try {
            snd.open(fname);
            bysndfile = true;
        } catch (const ESoundFileError& e) {
            sndfailure = e.what();
        }
    }
    if (!opened && !bysndfile) return wavfailure.empty() ? sndfailure : wavfailure;
    isopen = true;
    // Other formats say what they are: a FLAC file is no "Wav file".
    kind = ext == ".wav" ? "Wav file" : "Sound file";
    source = tsoundsource{};
    source.fs = bysndfile ? snd.sampfreq() : double(wav.sampfreq());
    source.nchans = bysndfile ? snd.nchans() : wav.nchans();
    source.expected = bysndfile ? snd.nframes() : wav.nsamples();
    source.isfloat = bysndfile ? snd.isfloat() : wav.format() == tFormat::ieeefloat;
    if (bysndfile)
        source.bits = snd.nbits();
    else if (wav.format() == tFormat::pcm)
        source.bits = wav.nbits();
    // A header may announce more than the file holds; what is there is analysed.
    if (bysndfile) {
        source.announced = snd.nframes();
    } else if (wav.wavheadexlong().data.size != 0 && wav.nbits() >= 8 && source.nchans > 0) {
        source.announced =
            std::int64_t(wav.wavheadexlong().data.size) / (wav.nbits() / 8) / source.nchans;
    }
    source.calibratedtext = kind + " is calibrated from command line";
    if (source.isfloat) {
        source.uncalibratedtext = kind + " may be calibrated, but calibration is not signed";
        source.uncalibratedstatus = 2;
    } else {
        source.uncalibratedtext = kind + " is possibly not calibrated";
        source.uncalibratedstatus = 1;
    }
    source.read = [this](int channel, const tsamplesink& sink) { return read(channel, sink); };
    return "";
}

std::size_t tsoundfilesource::read(int channel, const tsamplesink& sink) {
    // The file stays open only while it is read.
    struct tcloser {
        tsoundfilesource& s;
        ~tcloser() {
            s.wav.close_file();
            s.snd.close();
            s.isopen = false;
        }
    } closer{*this};
    if (!isopen) {
        if (bysndfile)
            snd.open(fname);
        else if (!wav.open_file(fname, true))
            throw EWavFileError("Cannot read " + fname + " again: it is no longer a wav file");
        isopen = true;
    }
    return bysndfile ? snd.read_channel(channel, sink) : wav.read_channel(channel, sink);
}

} // namespace gravon
