#include "core/sound_file_source.h"

#include "base/number_text.h"
#include "base/text_utils.h"
#include "files/session_items.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gravon {

std::string tsoundfilesource::open(const std::string& name, std::int32_t channel) {
    fname = name;
    const std::string ext = lowercase_extension(fname);
    bool opened = false;
    bysndfile = false;
    bysmp = ext == ".smp";
    if (bysmp) {
        if (!fsmp->open_file(fname, true))
            return "Cannot analyse " + fname + ": it is not an SMP sound file";
        isopen = true;
        describe_smp(channel);
        return "";
    }
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

void tsoundfilesource::describe_smp(std::int32_t channel) {
    TSMPfile& smp = *fsmp;
    kind = "SMP file";
    source = tsoundsource{};
    source.nchans = smp.nChans();
    source.expected = smp.nSamples() / std::max(smp.ScanCount(), 1);
    source.read = [this](int ch, const tsamplesink& sink) { return read(ch, sink); };
    // A channel the file does not have is refused before anything else is read of it.
    if (channel < 0 || channel >= smp.nChans()) return;
    // The rate of the channel analysed; another channel may have its own.
    source.fs = smp.ChannelSampFreq(channel);
    tsourceheader h;
    h.site = smp.get_item("site", "-");
    h.session = read_session_items(smp);
    tfilecalibration& c = h.calibration;
    c.text = smp.get_item("calib0", smp.get_item("calib", ""));
    c.status = 3;
    if (c.text.empty()) {
        if (lowercase(smp.ChannelUnit(channel)) == "pa") {
            c.text = "File appears calibrated, but calibration is not signed";
            c.status = 2;
        } else {
            c.text = "File is not calibrated";
            c.status = 1;
        }
    }
    try {
        const double d = strtofloatdot(smp.get_item("micdist" + std::to_string(channel), "-1"));
        const double ad = strtofloatdot(smp.get_item("actmicdist" + std::to_string(channel), "-1"));
        c.distance = d;
        h.actualdistance = ad;
    } catch (const EConvertError&) {
        c.distance = -1;
        h.actualdistance = -1;
    }
    const tdoublepair view = smp.ChannelView(channel);
    c.fullscale = std::max(std::fabs(view.lo), std::fabs(view.hi));
    h.channelname = smp.ChannelName(channel);
    source.header = std::move(h);
}

std::size_t tsoundfilesource::read_smp(int channel, const tsamplesink& sink) {
    TSMPfile& smp = *fsmp;
    const tdoublepair range = smp.ChannelRange(channel);
    const tdoublepair view = smp.ChannelView(channel);
    const double span = range.hi - range.lo;
    // A file whose range is empty cannot be scaled; its samples all stand for the view's
    // low end rather than dividing by zero.
    const double scale = span != 0 ? (view.hi - view.lo) / span : 0.0;
    tsamplechunk chunk;
    std::vector<float> piece;
    std::size_t n = 0;
    smp.ChannelRewind(channel);
    for (;;) {
        smp.ChannelChunk(channel, chunk);
        if (chunk.used <= 0) break;
        piece.resize(std::size_t(chunk.used));
        for (std::size_t i = 0; i < piece.size(); ++i)
            piece[i] = float(view.lo + (double(chunk.data[i]) - range.lo) * scale);
        sink(piece);
        n += piece.size();
    }
    return n;
}

std::size_t tsoundfilesource::read(int channel, const tsamplesink& sink) {
    // The file stays open only while it is read.
    struct tcloser {
        tsoundfilesource& s;
        ~tcloser() {
            if (s.bysmp) return;
            s.wav.close_file();
            s.snd.close();
            s.isopen = false;
        }
    } closer{*this};
    if (bysmp) {
        // The component stays attached to the file, as the window's does.
        if (!isopen && !fsmp->open_file(fname, true))
            throw EInvalidSMPHeader("Cannot read " + fname + " again: it is no longer an SMP file");
        isopen = true;
        return read_smp(channel, sink);
    }
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
