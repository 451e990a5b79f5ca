#include "synth/sound_writer.h"

#include "base/errors.h"
#include "base/text_utils.h"

#include <memory>
#include <sndfile.h>
#include <vector>

namespace gravon::synth {

namespace {

int container_of(const std::string& ext) {
    if (ext == ".wav") return SF_FORMAT_WAV;
    if (ext == ".flac") return SF_FORMAT_FLAC;
    if (ext == ".ogg" || ext == ".oga" || ext == ".opus") return SF_FORMAT_OGG;
    if (ext == ".mp3") return SF_FORMAT_MPEG;
    if (ext == ".aif" || ext == ".aiff") return SF_FORMAT_AIFF;
    if (ext == ".w64") return SF_FORMAT_W64;
    if (ext == ".rf64") return SF_FORMAT_RF64;
    if (ext == ".caf") return SF_FORMAT_CAF;
    return 0;
}

int coding_of(const std::string& ext, const std::string& coding) {
    if (ext == ".ogg" || ext == ".oga") return SF_FORMAT_VORBIS;
    if (ext == ".opus") return SF_FORMAT_OPUS;
    if (ext == ".mp3") return SF_FORMAT_MPEG_LAYER_III;
    if (coding.empty() || coding == "pcm16") return SF_FORMAT_PCM_16;
    if (coding == "pcm8") return ext == ".wav" ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_S8;
    if (coding == "pcm24") return SF_FORMAT_PCM_24;
    if (coding == "float32") return SF_FORMAT_FLOAT;
    if (coding == "float64") return SF_FORMAT_DOUBLE;
    return 0;
}

struct tclose {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

} // namespace

bool needs_sound_writer(const std::string& path, const std::string& coding) {
    return lowercase_extension(path) != ".wav" || (!coding.empty() && coding != "pcm16");
}

void write_sound_file(const std::string& path, std::int32_t rate, std::int32_t channels,
                      const std::vector<std::int16_t>& samples, const std::string& coding) {
    const std::string ext = lowercase_extension(path);
    const int container = container_of(ext), sub = coding_of(ext, coding);
    if (!container || !sub)
        throw EGravonError("Cannot write " + path + ": no format for \"" + ext +
                           "\" with coding \"" + coding + "\"");
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = container | sub;
    if (!sf_format_check(&info))
        throw EGravonError("Cannot write " + path + ": libsndfile cannot write this format");
    std::unique_ptr<SNDFILE, tclose> f(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!f) throw EGravonError("Cannot write " + path + ": " + sf_strerror(nullptr));
    // As fractions of full scale, so that a float coding holds the same values as a WAV
    // reader's normalised 16-bit ones.
    std::vector<double> scaled(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) scaled[i] = samples[i] / 32768.0;
    const sf_count_t frames = sf_count_t(samples.size() / std::size_t(channels));
    if (sf_writef_double(f.get(), scaled.data(), frames) != frames)
        throw EGravonError("Cannot write " + path + ": " + sf_strerror(f.get()));
}

} // namespace gravon::synth
