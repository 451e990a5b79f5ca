#include "synth/wav_writer.h"

#include "base/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace gravon::synth {

namespace {

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void puttag(std::vector<std::uint8_t>& b, const char* tag) {
    b.insert(b.end(), tag, tag + 4);
}

struct tfileclose {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

} // namespace

std::vector<std::uint8_t> wav16_header(std::int32_t rate, std::int32_t channels,
                                       std::uint64_t frames) {
    const std::uint64_t data = frames * static_cast<std::uint64_t>(channels) * 2u;
    if (channels < 1 || channels > 8) throw EGravonError("WAV: invalid channel count");
    if (rate < 1) throw EGravonError("WAV: invalid sample rate");
    if (data > 0xFFFFFFFFull - 36u) throw EGravonError("WAV: too many samples for one file");
    std::vector<std::uint8_t> b;
    b.reserve(44);
    puttag(b, "RIFF");
    put32(b, static_cast<std::uint32_t>(36u + data));
    puttag(b, "WAVE");
    puttag(b, "fmt ");
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, static_cast<std::uint32_t>(channels));
    put32(b, static_cast<std::uint32_t>(rate));
    put32(b, static_cast<std::uint32_t>(rate) * static_cast<std::uint32_t>(channels) * 2u);
    put16(b, static_cast<std::uint32_t>(channels) * 2u);
    put16(b, 16);
    puttag(b, "data");
    put32(b, static_cast<std::uint32_t>(data));
    return b;
}

void write_wav16(const std::string& path, std::int32_t rate, std::int32_t channels,
                 const std::vector<std::int16_t>& samples) {
    const std::string where = "Cannot write \"" + path + "\": ";
    if (channels < 1 || samples.size() % static_cast<std::size_t>(channels) != 0)
        throw EGravonError(where + "the samples are not a whole number of frames");
    std::vector<std::uint8_t> head;
    try {
        head = wav16_header(rate, channels, samples.size() / static_cast<std::size_t>(channels));
    } catch (const EGravonError& e) {
        throw EGravonError(where + e.what());
    }
    std::unique_ptr<std::FILE, tfileclose> f(std::fopen(path.c_str(), "wb"));
    if (!f) throw EGravonError(where + std::strerror(errno));
    bool ok = std::fwrite(head.data(), 1, head.size(), f.get()) == head.size();
    // Little-endian on disk whatever the host order; converted in blocks.
    std::vector<std::uint8_t> buf;
    buf.reserve(1 << 16);
    for (std::size_t i = 0; ok && i < samples.size(); i += 32768) {
        const std::size_t n = std::min<std::size_t>(32768, samples.size() - i);
        buf.clear();
        for (std::size_t k = 0; k < n; ++k) {
            const auto u = static_cast<std::uint16_t>(samples[i + k]);
            buf.push_back(static_cast<std::uint8_t>(u & 0xFF));
            buf.push_back(static_cast<std::uint8_t>(u >> 8));
        }
        ok = std::fwrite(buf.data(), 1, buf.size(), f.get()) == buf.size();
    }
    const int err = errno;
    if (std::fclose(f.release()) != 0 || !ok) {
        std::remove(path.c_str());
        throw EGravonError(where + (ok ? std::strerror(errno) : std::strerror(err)));
    }
}

} // namespace gravon::synth
