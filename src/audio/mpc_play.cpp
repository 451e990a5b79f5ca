#include "audio/mpc_play.h"

#include "audio/mpc_end_marker.h"
#include "audio/mpc_error.h"

#include <algorithm>

namespace gravon {

TMPCPlay::TMPCPlay(twaveoutservice& service)
    : TMPCDevice(service, {"WaveOutReset:", "WaveOutUnPrepareHeader:", "WaveOutClose:"}) {
    fix_format();
    size_buffers();
}

TMPCPlay::~TMPCPlay() {
    // A destructor has nobody to tell of a failing device; the device is let go of all the
    // same.
    close_board();
}

void TMPCPlay::fix_format() {
    fwavefmt = make_waveformat(fnchans, fsftot / fnchans, 16);
}

void TMPCPlay::size_buffers() {
    waveheader.resize(static_cast<std::size_t>(fnbufs));
    farr.resize(static_cast<std::size_t>(fnbufs));
    for (auto& a : farr) a.resize(static_cast<std::size_t>(fnchunksamples));
}

std::uint32_t TMPCPlay::volume() {
    std::uint32_t v = 0;
    return service.get_volume(fdeviceid, v) == wave_noerror ? v : 0;
}

std::uint16_t TMPCPlay::LeftVolume() {
    return static_cast<std::uint16_t>(volume() & 0xFFFF);
}
std::uint16_t TMPCPlay::RightVolume() {
    return static_cast<std::uint16_t>(volume() >> 16);
}

void TMPCPlay::setLeftVolume(std::uint16_t value) {
    service.set_volume(fdeviceid, (volume() & 0xFFFF0000u) | value);
}

void TMPCPlay::setRightVolume(std::uint16_t value) {
    service.set_volume(fdeviceid, (volume() & 0xFFFFu) | (std::uint32_t{value} << 16));
}

void TMPCPlay::setBothVolume(std::uint16_t value) {
    service.set_volume(fdeviceid, (std::uint32_t{value} << 16) | value);
}

void TMPCPlay::Run() {
    if (!OnStash) throw EMPCError("Nothing assigned to OnStash!");
    sendnomore = false;
    open_board("WaveOutOpen:");
    try {
        mpc_check(service, service.pause(), "WaveOutPause:");
        for (std::int32_t i = 0; i < fnbufs; ++i) queue_buffer(i);
        mpc_check(service, service.restart(), "WaveOutRestart:");
    } catch (...) {
        // Half started is of no use, and an open device would refuse every later change of
        // format: what was queued comes back and the device closes.
        close_board();
        throw;
    }
}

void TMPCPlay::queue_buffer(std::int32_t i) {
    if (sendnomore) return;
    auto& a = farr[static_cast<std::size_t>(i)];
    std::int32_t used = fnchunksamples;
    OnStash(a, used, sendnomore);
    if (!fownboard) return;
    used = std::clamp(used, 0, fnchunksamples);
    if (used == 0) {
        // Nothing to play: one silent frame carries the end marker, so the device still
        // reports the end and closes.
        sendnomore = true;
        used = std::min(fnchans, fnchunksamples);
        std::fill_n(a.begin(), used, std::int16_t{0});
    }
    twaveheader& h = waveheader[static_cast<std::size_t>(i)];
    h.data = reinterpret_cast<std::byte*>(a.data());
    h.bufferlength = static_cast<std::uint32_t>(used) * 2;
    h.bytesrecorded = 0;
    h.loops = 1;
    h.flags = 0;
    h.user = sendnomore ? mpc_endmarker : i;
    mpc_check(service, service.prepare(h), "WaveOutPrepareHeader:");
    mpc_check(service, service.write(h), "WaveOutWrite:");
}

} // namespace gravon
