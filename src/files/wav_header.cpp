#include "files/wav_header.h"

#include <algorithm>

namespace gravon {

namespace {

struct tbytewriter {
    std::uint8_t* p;
    void id(const tchunkid& c) {
        for (char ch : c) *p++ = static_cast<std::uint8_t>(ch);
    }
    void u16(std::uint16_t v) {
        *p++ = static_cast<std::uint8_t>(v & 0xFF);
        *p++ = static_cast<std::uint8_t>(v >> 8);
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) *p++ = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void tag(const ttag& t) {
        u16(t.formattag);
        u16(t.nchans);
        i32(t.sampfreq);
        i32(t.bytespersec);
        u16(t.blockalign);
        u16(t.bitspersample);
    }
    void riffform(const triff& r, const tfmt& f) {
        id(r.id);
        u32(r.size);
        id(f.id1);
        id(f.id2);
        u32(f.size);
    }
    void data(const twavdata& d) {
        id(d.id);
        u32(d.size);
    }
};

std::uint16_t getu16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::int32_t geti32(const std::uint8_t* p) {
    std::uint32_t u = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                      (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    return static_cast<std::int32_t>(u);
}

} // namespace

std::uint16_t formattag(tFormat f) {
    switch (f) {
    case tFormat::pcm:
        return wavtag_pcm;
    case tFormat::ieeefloat:
        return wavtag_ieeefloat;
    case tFormat::ulaw:
        return wavtag_ulaw;
    case tFormat::alaw:
        return wavtag_alaw;
    }
    return 0;
}

std::array<std::uint8_t, wavhead_size> encode(const twavhead& h) {
    std::array<std::uint8_t, wavhead_size> b{};
    tbytewriter w{b.data()};
    w.riffform(h.riff, h.form);
    w.tag(h.tag);
    w.data(h.data);
    return b;
}

std::array<std::uint8_t, wavheadex_size> encode(const twavheadex& h) {
    std::array<std::uint8_t, wavheadex_size> b{};
    tbytewriter w{b.data()};
    w.riffform(h.riff, h.form);
    w.tag(h.tag);
    w.u16(h.tag.cbsize);
    w.id(h.fact.id);
    w.u32(h.fact.size);
    w.u32(h.fact.numsamples);
    w.data(h.data);
    return b;
}

ttagexlong decodetag(const std::uint8_t* p, std::size_t n) {
    std::array<std::uint8_t, ttagexlong_size> b{};
    std::copy(p, p + std::min(n, b.size()), b.begin());
    ttagexlong t;
    t.formattag = getu16(&b[0]);
    t.nchans = getu16(&b[2]);
    t.sampfreq = geti32(&b[4]);
    t.bytespersec = geti32(&b[8]);
    t.blockalign = getu16(&b[12]);
    t.bitspersample = getu16(&b[14]);
    t.cbsize = getu16(&b[16]);
    t.wValidBitsPerSample = getu16(&b[18]);
    t.dwChannelMask = geti32(&b[20]);
    std::copy(b.begin() + 24, b.end(), t.subformat.begin());
    return t;
}

} // namespace gravon
