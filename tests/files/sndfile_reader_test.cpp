// The libsndfile reader on real files: what it delivers from each format, and how it refuses
// files it cannot read.
#include "base/text_utils.h"
#include "files/sndfile_reader.h"
#include "support/temp_config.h"
#include "synth/sound_writer.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace gravon {
namespace {

namespace fs = std::filesystem;

class SndfileReader : public ::testing::Test {
  protected:
    testing::ttempconfig config;
    std::string path(const std::string& name) { return (config.root / "files" / name).string(); }

    // Two channels: a ramp on the left, its negation on the right, 10000 frames at 8 kHz.
    std::vector<std::int16_t> stereo() {
        std::vector<std::int16_t> s;
        for (int i = 0; i < 10000; ++i) {
            const auto v = std::int16_t((i % 2000) * 16 - 16000);
            s.push_back(v);
            s.push_back(std::int16_t(-v));
        }
        return s;
    }
    std::vector<float> read(tsndfilereader& r, int channel) {
        std::vector<float> v;
        r.read_channel(channel, [&](std::span<const float> s) {
            EXPECT_LE(s.size(), tsndfilereader::readframes);
            v.insert(v.end(), s.begin(), s.end());
        });
        return v;
    }
    std::string refusal(const std::string& name) {
        tsndfilereader r;
        try {
            r.open(path(name));
        } catch (const ESoundFileError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(SndfileReader, LosslessFormatsDeliverEachChannelAsWritten) {
    const std::vector<std::int16_t> s = stereo();
    for (const char* name : {"a.flac", "a.aiff", "a.w64", "a.rf64", "a.caf", "a.wav"}) {
        const std::string coding = lowercase_extension(name) == ".wav" ? "float64" : "";
        synth::write_sound_file(path(name), 8000, 2, s, coding);
        tsndfilereader r;
        r.open(path(name));
        EXPECT_EQ(r.nchans(), 2) << name;
        EXPECT_EQ(r.sampfreq(), 8000) << name;
        EXPECT_EQ(r.nframes(), 10000) << name;
        EXPECT_EQ(r.isfloat(), coding == "float64") << name;
        for (int c = 0; c < 2; ++c) {
            const std::vector<float> v = read(r, c);
            ASSERT_EQ(v.size(), 10000u) << name;
            for (std::size_t i = 0; i < v.size(); i += 37)
                ASSERT_EQ(v[i], float(s[2 * i + std::size_t(c)] / 32768.0)) << name << " " << i;
        }
        // A channel it does not have is refused by number.
        try {
            read(r, 2);
            ADD_FAILURE() << name;
        } catch (const ESoundFileError& e) {
            EXPECT_NE(std::string(e.what()).find("it has 2 channels"), std::string::npos);
        }
    }
}

TEST_F(SndfileReader, LossyFormatsKeepTheLevel) {
    std::vector<std::int16_t> tone;
    for (int i = 0; i < 48000; ++i)
        tone.push_back(std::int16_t(16000 * std::sin(2 * M_PI * 440 * i / 48000.0)));
    for (const char* name : {"t.ogg", "t.opus", "t.mp3"}) {
        synth::write_sound_file(path(name), 48000, 1, tone, "");
        tsndfilereader r;
        r.open(path(name));
        const std::vector<float> v = read(r, 0);
        ASSERT_GT(v.size(), 40000u) << name;
        double power = 0;
        for (std::size_t i = 10000; i < 40000; ++i) power += double(v[i]) * v[i];
        const double rms = std::sqrt(power / 30000), want = 16000 / 32768.0 / std::sqrt(2.0);
        EXPECT_NEAR(20 * std::log10(rms / want), 0, 0.5) << name;
    }
}

TEST_F(SndfileReader, RefusalsNameTheFileAndTheReason) {
    testing::write_text(config.root / "files" / "empty.flac", "");
    testing::write_text(config.root / "files" / "notes.flac", "take 3, sustained a\n");
    std::string noise(3000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
    testing::write_text(config.root / "files" / "noise.flac", noise);
    fs::create_directories(config.root / "files" / "folder.flac");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.flac", "the file does not exist"},
        {"empty.flac", "the file is empty"},
        {"notes.flac", "it is a text file, not a sound file"},
        {"noise.flac", "it is not a sound file in a format that can be read"},
        {"folder.flac", "it is a folder"},
    };
    for (const auto& [name, why] : cases)
        EXPECT_EQ(refusal(name), "Cannot read " + path(name) + ": " + why);
}

TEST_F(SndfileReader, ATruncatedFileDeliversWhatIsThere) {
    synth::write_sound_file(path("whole.flac"), 8000, 2, stereo(), "");
    const std::string whole = testing::read_text(config.root / "files" / "whole.flac");
    testing::write_text(config.root / "files" / "cut.flac", whole.substr(0, whole.size() / 2));
    tsndfilereader r;
    r.open(path("cut.flac"));
    EXPECT_EQ(r.nframes(), 10000);
    const std::size_t got = read(r, 1).size();
    EXPECT_GT(got, 1000u);
    EXPECT_LT(got, 10000u);
    // A header cut off is no sound file at all.
    testing::write_text(config.root / "files" / "head.flac", whole.substr(0, 20));
    EXPECT_NE(refusal("head.flac"), "");
}

} // namespace
} // namespace gravon
