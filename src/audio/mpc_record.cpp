#include "audio/mpc_record.h"

#include "audio/mpc_end_marker.h"
#include "audio/mpc_error.h"
#include "base/sample_conversion.h"

#include <algorithm>

namespace gravon {

static_assert(sizeof(tint24) == 3, "24-bit buffers are handed to the device as packed bytes");

TMPCRecord::TMPCRecord(twaveinservice& service)
    : TMPCDevice(service, {"waveinReset:", "waveinUnPrepareHeader:", "waveinClose:"}) {
    fix_format();
    size_buffers();
}

TMPCRecord::~TMPCRecord() {
    // A destructor has nobody to tell of a failing device; the device is let go of all the
    // same.
    close_board();
}

void TMPCRecord::setnBits(std::int32_t value) {
    if (value != 16 && value != 24) return;
    refuse_while_open("nBits");
    fnbits = value;
    fix_format();
}

void TMPCRecord::fix_format() {
    fwavefmt = make_waveformat(fnchans, fsftot / fnchans, fnbits);
}

void TMPCRecord::size_buffers() {
    const auto n = static_cast<std::size_t>(fnbufs);
    const auto len = static_cast<std::size_t>(fnchunksamples);
    waveheader.resize(n);
    farr.resize(n);
    farr24.resize(n);
    for (auto& a : farr) a.resize(len);
    for (auto& a : farr24) a.resize(len);
}

void TMPCRecord::Run() {
    if (!OnFetch && !OnFetch24) throw EMPCError("Nothing assigned to OnFetch!");
    addnomore = false;
    open_board("waveinOpen:");
    try {
        oktofetch = false;
        for (std::int32_t i = 0; i < fnbufs; ++i) queue_buffer(i);
        oktofetch = true;
        mpc_check(service, service.start(), "waveinStart:");
    } catch (...) {
        oktofetch = true;
        // Half started is of no use, and an open device would refuse every later change of
        // format: what was queued comes back and the device closes.
        close_board();
        throw;
    }
}

void TMPCRecord::deliver(std::int32_t i, std::int32_t used) {
    auto& a16 = farr[static_cast<std::size_t>(i)];
    auto& a24 = farr24[static_cast<std::size_t>(i)];
    const auto n = static_cast<std::size_t>(used);
    if (fnbits == 16) {
        if (OnFetch) return OnFetch(a16, used, addnomore);
        for (std::size_t k = 0; k < n; ++k) a24[k] = inttoint24(std::int32_t{a16[k]} * 256);
        OnFetch24(a24, used, addnomore);
    } else {
        if (OnFetch24) return OnFetch24(a24, used, addnomore);
        for (std::size_t k = 0; k < n; ++k)
            a16[k] = static_cast<std::int16_t>(int24toint(a24[k]) >> 8);
        OnFetch(a16, used, addnomore);
    }
}

void TMPCRecord::queue_buffer(std::int32_t i) {
    if (addnomore) return;
    twaveheader& h = waveheader[static_cast<std::size_t>(i)];
    const std::int32_t bytes = fnbits / 8;
    const auto used = std::min(static_cast<std::int32_t>(h.bytesrecorded / bytes), fnchunksamples);
    if (oktofetch) deliver(i, used);
    if (!fownboard) return;
    h.data = fnbits == 16
                 ? reinterpret_cast<std::byte*>(farr[static_cast<std::size_t>(i)].data())
                 : reinterpret_cast<std::byte*>(farr24[static_cast<std::size_t>(i)].data());
    h.bufferlength = static_cast<std::uint32_t>(fnchunksamples * bytes);
    h.bytesrecorded = 0;
    h.loops = 1;
    h.flags = 0;
    h.user = addnomore ? mpc_endmarker : i;
    mpc_check(service, service.prepare(h), "waveinPrepareHeader:");
    mpc_check(service, service.add_buffer(h), "waveinWrite:");
}

} // namespace gravon
