#include "files/wav_file.h"

#include "base/g711.h"
#include "base/random.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "base/text_utils.h"
#include "files/half_float.h"
#include "files/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <type_traits>

namespace gravon {

namespace {

namespace fs = std::filesystem;

// The sample codings that reading and writing know.
enum class tcoding { none, pcm8, ulaw, alaw, pcm16, float16, pcm24, pcm32, float32 };

tcoding codingof(std::int32_t nbits, tFormat f) {
    switch (nbits) {
    case 8:
        if (f == tFormat::pcm) return tcoding::pcm8;
        if (f == tFormat::ulaw) return tcoding::ulaw;
        if (f == tFormat::alaw) return tcoding::alaw;
        break;
    case 16:
        if (f == tFormat::pcm) return tcoding::pcm16;
        if (f == tFormat::ieeefloat) return tcoding::float16;
        break;
    case 24:
        if (f == tFormat::pcm) return tcoding::pcm24;
        break;
    case 32:
        if (f == tFormat::pcm) return tcoding::pcm32;
        if (f == tFormat::ieeefloat) return tcoding::float32;
        break;
    }
    return tcoding::none;
}

std::uint16_t getu16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t getu32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
void putu16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v & 0xFF);
    p[1] = std::uint8_t(v >> 8);
}
void putu32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t((v >> (8 * i)) & 0xFF);
}

std::int32_t rawsample(tcoding c, const std::uint8_t* p) {
    switch (c) {
    case tcoding::pcm8:
        return std::int32_t(p[0]) - 128;
    case tcoding::ulaw:
        return ulawtolinear(p[0]);
    case tcoding::alaw:
        return alawtolinear(p[0]);
    case tcoding::pcm16:
        return static_cast<std::int16_t>(getu16(p));
    case tcoding::pcm24: {
        tint24 t;
        std::memcpy(t.b, p, 3);
        return int24toint(t);
    }
    case tcoding::pcm32:
        return static_cast<std::int32_t>(getu32(p));
    default:
        return 0;
    }
}

float normsample(tcoding c, const std::uint8_t* p) {
    switch (c) {
    case tcoding::pcm8:
        return static_cast<float>((int(p[0]) - 128) / 127.0);
    case tcoding::ulaw:
        return static_cast<float>(ulawtolinear(p[0]) / 32768.0);
    case tcoding::alaw:
        return static_cast<float>(alawtolinear(p[0]) / 32768.0);
    case tcoding::pcm16:
        return static_cast<float>(rawsample(c, p) / 32768.0);
    case tcoding::float16:
        return halftofloat(getu16(p));
    case tcoding::pcm24:
        return static_cast<float>(rawsample(c, p) / 8388608.0);
    case tcoding::pcm32:
        return static_cast<float>(rawsample(c, p) / 2147483648.0);
    case tcoding::float32: {
        std::uint32_t u = getu32(p);
        float f;
        std::memcpy(&f, &u, sizeof f);
        return f;
    }
    default:
        return 0;
    }
}

bool sameid(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// A chunk id fit for a message: unprintable bytes shown as "?".
std::string printableid(const std::uint8_t* p) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[i] = (p[i] >= 32 && p[i] < 127) ? char(p[i]) : '?';
    return s;
}

std::string oserror(int code) {
    return std::generic_category().message(code);
}

// Reads up to n bytes; a short read leaves the stream usable for the next seek.
std::size_t readbytes(std::ifstream& in, std::uint8_t* buf, std::size_t n) {
    in.read(reinterpret_cast<char*>(buf), static_cast<std::streamsize>(n));
    std::size_t got = static_cast<std::size_t>(in.gcount());
    if (!in) in.clear();
    return got;
}

void seekto(std::ifstream& in, std::int64_t pos) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(pos), std::ios::beg);
}

double clip(double v, double lo, double hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

// Draws r1 and then r2 from the shared generator: r1 - r2, triangular in (-1, 1).
double triangular() {
    double r1 = Random();
    double r2 = Random();
    return r1 - r2;
}

std::int16_t tosmallint(std::int32_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

} // namespace

// ---------------------------------------------------------------------------------------
// Properties

void TWavFile::setnchans(std::int32_t v) {
    fnchans = v;
    ffullscale.resize(v > 0 ? static_cast<std::size_t>(v) : 0, 0.0);
}

double TWavFile::fullscale(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= ffullscale.size()) return 0;
    return ffullscale[static_cast<std::size_t>(i)];
}

void TWavFile::setfullscale(int i, double v) {
    if (i < 0) return;
    if (static_cast<std::size_t>(i) >= ffullscale.size()) ffullscale.resize(i + 1, 0.0);
    ffullscale[static_cast<std::size_t>(i)] = v;
}

void TWavFile::notice(const std::string& text, const std::string& caption) const {
    if (OnMessage) OnMessage(text, caption);
}

// ---------------------------------------------------------------------------------------
// Opening

void TWavFile::close_file() {
    if (fstream.is_open()) fstream.close();
    fstream.clear();
    fisopen = false;
}

void TWavFile::fail_open() {
    close_file();
    fnsamples = 0;
    setnchans(0);
    fsampfreq = 1;
}

bool TWavFile::open_file(const std::string& fname, bool readonly) {
    close_file();
    if (!fname.empty()) ffilename = fname;
    const std::string name = ffilename;
    fisreadonly = readonly;
    fdatastartpos = -1;
    fformatstr.clear();
    fwavheadexlong = twavheadexlong{};

    try {
        std::error_code ec;
        const fs::path path(name);
        if (name.empty()) throw EWavFileError("No wav file name given");
        if (!fs::exists(path, ec)) throw EWavFileError("Wav file " + name + " does not exist");
        if (fs::is_directory(path, ec))
            throw EWavFileError("Cannot open wav file " + name + ": it is a folder");
        errno = 0;
        // Reading never needs write access, so the file is opened for reading only.
        fstream.open(path, std::ios::in | std::ios::binary);
        if (!fstream.is_open()) {
            int err = errno;
            throw EWavFileError("Cannot open wav file " + name +
                                (err ? ": " + oserror(err) : std::string()));
        }

        fstream.seekg(0, std::ios::end);
        const std::int64_t filesize = static_cast<std::int64_t>(fstream.tellg());
        seekto(fstream, 0);
        if (filesize < 0) throw EWavFileError("Cannot read wav file " + name);

        std::uint8_t h[8];
        if (readbytes(fstream, h, 8) < 8 || !sameid(h, "RIFF")) {
            fail_open();
            return false;
        }
        std::uint32_t riffsize = getu32(h + 4);
        if (riffsize == 0)
            riffsize = static_cast<std::uint32_t>(
                std::max<std::int64_t>(0, std::min<std::int64_t>(filesize - 8, 0xFFFFFFFF)));
        fwavheadexlong.riff.size = riffsize;
        std::int64_t budget = riffsize; // bytes still to walk
        if (readbytes(fstream, h, 4) < 4 || !sameid(h, "WAVE")) {
            fail_open();
            return false;
        }
        budget -= 4;
        std::int64_t pos = 12;

        // The format chunk.
        bool foundfmt = false;
        std::string overrun;
        while (budget >= 8) {
            if (readbytes(fstream, h, 8) < 8) break;
            pos += 8;
            budget -= 8;
            const std::uint32_t size = getu32(h + 4);
            const std::int64_t skip = std::int64_t(size) + (size & 1);
            if (sameid(h, "fmt ")) {
                std::uint8_t tagbytes[ttagexlong_size];
                const std::size_t want = std::min<std::size_t>(size, ttagexlong_size);
                if (readbytes(fstream, tagbytes, want) < want)
                    throw EWavFileError("The format chunk of wav file " + name + " is truncated");
                fwavheadexlong.form.size = size;
                static_cast<ttagexlong&>(fwavheadexlong.tag) = decodetag(tagbytes, want);
                pos += skip;
                budget -= skip;
                seekto(fstream, std::min(pos, filesize));
                foundfmt = true;
                break;
            }
            if (pos + std::int64_t(size) > filesize) {
                overrun = " (chunk \"" + printableid(h) + "\" at byte " + std::to_string(pos - 8) +
                          " runs past the end of the file)";
                break;
            }
            pos += skip;
            budget -= skip;
            seekto(fstream, std::min(pos, filesize));
        }
        if (!foundfmt) throw EWavFileError("No format chunk in wav file " + name + overrun);

        // The format.
        const ttagexlong& tag = fwavheadexlong.tag;
        const int bits = tag.bitspersample;
        std::uint16_t code = tag.formattag;
        fformatstr = std::to_string(code);
        if (code == wavtag_extensible) {
            code = subformatcode(tag);
            fformatstr += " / " + std::to_string(code);
        }
        bool known = true;
        bool bitsok = false;
        tFormat f = fformat;
        switch (code) {
        case wavtag_pcm:
            f = tFormat::pcm;
            bitsok = bits == 8 || bits == 16 || bits == 24 || bits == 32;
            break;
        case wavtag_ieeefloat:
            f = tFormat::ieeefloat;
            bitsok = bits == 16 || bits == 32;
            break;
        case wavtag_ulaw:
            f = tFormat::ulaw;
            bitsok = bits == 8;
            break;
        case wavtag_alaw:
            f = tFormat::alaw;
            bitsok = bits == 8;
            break;
        default:
            known = false;
        }
        if (known && !bitsok) {
            fail_open();
            return false;
        }
        if (known) fformat = f;
        if (tag.nchans == 0) throw EWavFileError("Wav file " + name + " has no channels");
        if (tag.sampfreq <= 0)
            throw EWavFileError("Wav file " + name + " has an invalid sample rate (" +
                                std::to_string(tag.sampfreq) + ")");

        // The data chunk.
        std::int64_t datasize = 0;
        while (budget >= 8) {
            if (readbytes(fstream, h, 8) < 8) break;
            pos += 8;
            budget -= 8;
            const std::uint32_t size = getu32(h + 4);
            if (sameid(h, "data")) {
                // A size of 0 (never patched by the recorder) or one beyond the end of the
                // file means: the samples up to the end of the file.
                const std::int64_t avail = filesize - pos;
                datasize = size;
                if (datasize == 0 || datasize > avail) datasize = avail;
                fdatastartpos = pos;
                fwavheadexlong.data.size = size;
                break;
            }
            const std::int64_t skip = std::int64_t(size) + (size & 1);
            if (pos + skip > filesize) break;
            pos += skip;
            budget -= skip;
            seekto(fstream, pos);
        }

        setnchans(tag.nchans);
        fsampfreq = tag.sampfreq;
        fnbits = bits;
        const int bps = fnbits / 8;
        std::int64_t n = bps == 0 ? 0 : datasize / bps / fnchans;
        fnsamples = static_cast<std::int32_t>(
            std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max()));
        fisopen = true;
        return true;
    } catch (...) {
        fail_open();
        throw;
    }
}

// ---------------------------------------------------------------------------------------
// Reading

template <typename T, class tsink>
std::size_t TWavFile::read_channel_impl(int channo, bool raw, tsink& sink) {
    if (!fisopen) throw EWavFileError("Wav file is not open.");
    if (fdatastartpos < 0) throw EWavFileError("No data chunk in wav file " + ffilename);
    if (fnchans <= 0) throw EWavFileError("Wav file " + ffilename + " has no channels");
    if (channo < 0 || channo >= fnchans)
        throw EWavFileError("Wav file " + ffilename + " has no channel " + std::to_string(channo) +
                            " (it has " + std::to_string(fnchans) + " channels)");
    tcoding c = codingof(fnbits, fformat);
    if (raw && (c == tcoding::float16 || c == tcoding::float32)) c = tcoding::none;
    if (c == tcoding::none) {
        sink.refused();
        fnsamples = 0;
        throw EWavFileError(
            "Cannot read wav file of this format:\rBits per sample: " + std::to_string(fnbits) +
            "\rNumber of channels: " + std::to_string(fnchans) +
            "\rSample rate: " + std::to_string(fsampfreq) + "\rFormat tag: " + fformatstr);
    }
    const int bps = fnbits / 8;
    const std::int64_t count = std::int64_t(fnsamples) * fnchans * bps;
    const std::size_t length = static_cast<std::size_t>(count / bps / fnchans);
    sink.start(length);

    seekto(fstream, fdatastartpos);
    const std::size_t block = std::size_t(16384) * bps;
    std::vector<std::uint8_t> buf(block);
    std::vector<T> out(16384); // the channel's samples of one read
    std::int64_t remaining = count;
    std::size_t carry = 0; // bytes of an incomplete sample kept from the last read
    std::size_t stored = 0;
    int ch = 0;
    while (remaining > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::int64_t>(block - carry, remaining));
        const std::size_t got = readbytes(fstream, buf.data() + carry, want);
        if (got == 0) break;
        remaining -= static_cast<std::int64_t>(got);
        const std::size_t avail = carry + got;
        const std::size_t nsamp = avail / bps;
        // The samples of the channel, one frame apart; the first one of this read follows
        // from the channel the read starts in.
        const std::size_t nch = std::size_t(fnchans);
        const std::size_t first = (std::size_t(channo) + nch - std::size_t(ch)) % nch;
        const std::size_t room = length - stored;
        std::size_t k = first, m = 0;
        if constexpr (std::is_same_v<T, float>) {
            if (c == tcoding::pcm16 && nch == 1) {
                // A mono file: consecutive samples, in a loop the compiler vectorises. A 16-bit
                // value over 2^15 is exact in single precision, so it is scaled there, by a
                // multiplication, with the value the division in double precision gives.
                const std::size_t take = std::min(nsamp, room);
                const std::uint8_t* b = buf.data();
                for (std::size_t t = 0; t < take; ++t)
                    out[t] =
                        static_cast<float>(static_cast<std::int16_t>(getu16(b + 2 * t))) * 0x1p-15f;
                k = take;
                m = take;
            } else if (c == tcoding::pcm16) {
                // The common case without the per-sample dispatch; the same arithmetic.
                for (; k < nsamp && m < room; k += nch)
                    out[m++] = static_cast<float>(
                                   static_cast<std::int16_t>(getu16(buf.data() + k * bps))) *
                               0x1p-15f;
            }
        }
        for (; k < nsamp && m < room; k += nch) {
            const std::uint8_t* p = buf.data() + k * bps;
            if constexpr (std::is_same_v<T, float>) {
                out[m++] = normsample(c, p);
            } else {
                out[m++] = rawsample(c, p);
            }
        }
        if (m > 0) sink.put(std::span<const T>(out.data(), m));
        stored += m;
        ch = int((std::size_t(ch) + nsamp) % nch);
        carry = avail - nsamp * bps;
        if (carry) std::memmove(buf.data(), buf.data() + nsamp * bps, carry);
    }
    if (stored != length)
        notice("arrcount<>length(arr): " + std::to_string(stored) + " vs " + std::to_string(length),
               "DEBUG");
    fnsamples = static_cast<std::int32_t>(stored);
    return stored;
}

namespace {
// Collects a channel into an array.
template <typename T> struct tarraysink {
    std::vector<T>& arr;
    void refused() { arr.clear(); }
    void start(std::size_t length) {
        arr.clear();
        arr.reserve(length);
    }
    void put(std::span<const T> v) { arr.insert(arr.end(), v.begin(), v.end()); }
};
// Hands a channel on piece by piece.
struct tblocksink {
    const std::function<void(std::span<const float>)>& f;
    void refused() {}
    void start(std::size_t) {}
    void put(std::span<const float> v) { f(v); }
};
} // namespace

void TWavFile::read_channel(int channo, tsinglearr& arr) {
    tarraysink<float> sink{arr};
    read_channel_impl<float>(channo, false, sink);
}
void TWavFile::read_channel(int channo, tintarr& arr) {
    tarraysink<std::int32_t> sink{arr};
    read_channel_impl<std::int32_t>(channo, true, sink);
}
std::size_t TWavFile::read_channel(int channo,
                                   const std::function<void(std::span<const float>)>& sink) {
    tblocksink s{sink};
    return read_channel_impl<float>(channo, false, s);
}

// ---------------------------------------------------------------------------------------
// Writing

namespace {

template <typename tarr> std::vector<std::size_t> channel_lengths(const std::vector<tarr>& data) {
    std::vector<std::size_t> lengths;
    for (const auto& a : data) lengths.push_back(a.size());
    return lengths;
}

// Walks the channels' samples interleaved, from interleaved index first on, and has put write
// each one (out, its channel, the sample) into bps bytes.
template <typename tarr, typename tput>
auto interleaved_encoder(const std::vector<tarr>& data, int bps, const tput& put) {
    return [&data, bps, &put](std::uint64_t first, std::size_t n, std::uint8_t* out) {
        const int nch = static_cast<int>(data.size());
        int ch = static_cast<int>(first % nch);
        std::size_t i = static_cast<std::size_t>(first / nch);
        for (std::size_t k = 0; k < n; ++k, out += bps) {
            put(out, ch, data[ch][i]);
            if (++ch == nch) {
                ch = 0;
                ++i;
            }
        }
    };
}

} // namespace

void TWavFile::save_common(const std::string& fname, const std::vector<std::size_t>& lengths,
                           bool accepted, bool needfullscale, const tblockencoder& encodeblock) {
    // Sizes and names.
    std::size_t longest = 0;
    for (std::size_t n : lengths) longest = std::max(longest, n);
    fnsamples = static_cast<std::int32_t>(
        std::min<std::size_t>(longest, std::numeric_limits<std::int32_t>::max()));
    setnchans(static_cast<std::int32_t>(
        std::min<std::size_t>(lengths.size(), std::numeric_limits<std::int32_t>::max())));
    if (!fname.empty()) ffilename = fname;
    const std::string name = ffilename;

    // Everything that can be known to fail is refused before any file is touched.
    if (!accepted) throw EWavFileError("Invalid file type (nbits=" + std::to_string(fnbits) + ")");
    auto refuse = [&](const std::string& why) {
        throw EWavFileError("Error saving file\r" + name + "\r" + why);
    };
    if (name.empty()) refuse("No file name given");
    std::error_code ec;
    if (fs::is_directory(fs::path(name), ec)) refuse("The name is that of a folder");
    const int bps = fnbits / 8;
    if (lengths.empty()) refuse("There are no channels to save");
    if (lengths.size() > std::size_t(65535 / bps))
        refuse("Too many channels (" + std::to_string(lengths.size()) + ")");
    if (fsampfreq <= 0) refuse("Invalid sample rate (" + std::to_string(fsampfreq) + ")");
    for (std::size_t ch = 0; ch < lengths.size(); ++ch)
        if (lengths[ch] != longest)
            refuse("Channel " + std::to_string(ch) + " has " + std::to_string(lengths[ch]) +
                   " samples instead of " + std::to_string(longest));
    if (needfullscale)
        for (std::size_t ch = 0; ch < lengths.size(); ++ch) {
            double f = fullscale(static_cast<int>(ch));
            if (!std::isfinite(f) || f == 0)
                refuse("The full scale of channel " + std::to_string(ch) + " is " +
                       std::to_string(f));
        }
    const std::uint64_t blockalign = std::uint64_t(fnchans) * bps;
    const std::uint64_t total = std::uint64_t(longest) * blockalign;
    const std::uint64_t bytespersec = std::uint64_t(fnchans) * std::uint64_t(fsampfreq) * bps;
    if (longest > std::size_t(std::numeric_limits<std::int32_t>::max()) ||
        total + wavheadex_size + 1 > 0xFFFFFFFFull)
        refuse("Too much data for a wav file");
    if (bytespersec > 0x7FFFFFFFull) refuse("The sample rate is too high for a wav file");

    // The header.
    const bool longform = fformat == tFormat::ieeefloat || fnchans > 2 || fnbits > 16;
    const std::uint32_t pad = static_cast<std::uint32_t>(total & 1);
    ttag tag;
    tag.formattag = formattag(fformat);
    tag.nchans = static_cast<std::uint16_t>(fnchans);
    tag.sampfreq = fsampfreq;
    tag.bytespersec = static_cast<std::int32_t>(bytespersec);
    tag.blockalign = static_cast<std::uint16_t>(blockalign);
    tag.bitspersample = static_cast<std::uint16_t>(fnbits);
    std::vector<std::uint8_t> header;
    if (longform) {
        fwavheadex = twavheadex{};
        fwavheadex.riff.size = static_cast<std::uint32_t>(total + 50 + pad);
        fwavheadex.form.size = ttagex_size;
        static_cast<ttag&>(fwavheadex.tag) = tag;
        fwavheadex.tag.cbsize = 0;
        fwavheadex.fact.numsamples = static_cast<std::uint32_t>(std::uint64_t(fnchans) * longest);
        fwavheadex.data.size = static_cast<std::uint32_t>(total);
        auto b = encode(fwavheadex);
        header.assign(b.begin(), b.end());
    } else {
        fwavhead = twavhead{};
        fwavhead.riff.size = static_cast<std::uint32_t>(total + 36 + pad);
        fwavhead.form.size = ttag_size;
        fwavhead.tag = tag;
        fwavhead.data.size = static_cast<std::uint32_t>(total);
        auto b = encode(fwavhead);
        header.assign(b.begin(), b.end());
    }

    // The file: complete, or not at all, with the old one left as it was.
    try {
        TSafeFile file(name);
        file.write(std::string_view(reinterpret_cast<const char*>(header.data()), header.size()));
        const std::size_t blocksamples = 16384;
        std::vector<std::uint8_t> buf(blocksamples * bps);
        const std::uint64_t totalsamples = total / bps;
        for (std::uint64_t first = 0; first < totalsamples; first += blocksamples) {
            const std::size_t n = static_cast<std::size_t>(
                std::min<std::uint64_t>(blocksamples, totalsamples - first));
            encodeblock(first, n, buf.data());
            file.write(std::string_view(reinterpret_cast<const char*>(buf.data()), n * bps));
        }
        if (pad) file.write(std::string_view("\0", 1));
        file.commit();
    } catch (const EOSError& e) {
        throw EWavFileError(e.what());
    }
}

void TWavFile::save_file(const std::string& fname, const std::vector<tsinglearr>& data, bool,
                         bool dither) {
    const tcoding c = codingof(fnbits, fformat);
    const int nch = static_cast<int>(data.size());
    std::vector<double> fsd(data.size());
    for (int ch = 0; ch < nch; ++ch) fsd[ch] = fullscale(ch);
    const auto put = [&](std::uint8_t* out, int ch, float s) {
        double x = c == tcoding::float16 || c == tcoding::float32 ? 0.0 : s / fsd[ch];
        if (std::isnan(x)) x = 0;
        switch (c) {
        case tcoding::pcm8: {
            double v = dither ? 125.0 * x + triangular() : 127.0 * x;
            v = clip(v, -128, 127);
            out[0] = static_cast<std::uint8_t>(roundint(v + 128));
            break;
        }
        case tcoding::ulaw:
        case tcoding::alaw: {
            const std::int16_t v = tosmallint(roundint(32768.0 * x));
            out[0] = c == tcoding::ulaw ? lineartoulaw(v) : lineartoalaw(v);
            break;
        }
        case tcoding::pcm16:
            putu16(out, static_cast<std::uint16_t>(doubletosample(dither, 32768.0 * x)));
            break;
        case tcoding::float16: {
            double v = std::isnan(s) ? double(s) : clip(s, -half_max, half_max);
            if (dither) v += (Random() - 0.5) * 2.0 * halfulp(v);
            putu16(out, floattohalf(v));
            break;
        }
        case tcoding::pcm24: {
            double v = 8388608.0 * x;
            if (dither) v += triangular();
            tint24 t = inttoint24(roundint(clip(v, -8388608.0, 8388607.0)));
            std::memcpy(out, t.b, 3);
            break;
        }
        case tcoding::pcm32: {
            double v = clip(2147483648.0 * x, -2147483648.0, 2147483647.0);
            if (dither) v += triangular();
            putu32(out, static_cast<std::uint32_t>(roundint(v)));
            break;
        }
        case tcoding::float32: {
            std::uint32_t u;
            std::memcpy(&u, &s, sizeof u);
            putu32(out, u);
            break;
        }
        case tcoding::none:
            break;
        }
    };
    save_common(fname, channel_lengths(data), c != tcoding::none,
                c != tcoding::float16 && c != tcoding::float32,
                interleaved_encoder(data, fnbits / 8, put));
}

void TWavFile::save_file(const std::string& fname, const std::vector<tsmallintarr>& data, bool,
                         bool dither) {
    const auto put = [&](std::uint8_t* out, int, std::int16_t s) {
        putu16(out, static_cast<std::uint16_t>(doubletosample(dither, s)));
    };
    save_common(fname, channel_lengths(data), codingof(fnbits, fformat) == tcoding::pcm16, false,
                interleaved_encoder(data, 2, put));
}

void TWavFile::save_file(const std::string& fname, const std::vector<tint24arr>& data, bool,
                         bool dither) {
    const auto put = [&](std::uint8_t* out, int, tint24 t) {
        if (dither) {
            double v = int24toint(t) + triangular();
            t = inttoint24(roundint(clip(std::nearbyint(v), -8388608.0, 8388607.0)));
        }
        std::memcpy(out, t.b, 3);
    };
    save_common(fname, channel_lengths(data), codingof(fnbits, fformat) == tcoding::pcm24, false,
                interleaved_encoder(data, 3, put));
}

} // namespace gravon
