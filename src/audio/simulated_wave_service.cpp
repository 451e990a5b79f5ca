#include "audio/simulated_wave_service.h"

#include "audio/wave_error_text.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace gravon {

tsimulatedsource samples_source(std::vector<std::int32_t> data) {
    auto shared = std::make_shared<const std::vector<std::int32_t>>(std::move(data));
    return [shared](std::int64_t index) {
        return index >= 0 && index < static_cast<std::int64_t>(shared->size())
                   ? (*shared)[static_cast<std::size_t>(index)]
                   : 0;
    };
}

template <class Service> tsimulatedwave<Service>::tsimulatedwave() {
    names = {"Simulated device 1", "Simulated device 2"};
}

template <class Service>
void tsimulatedwave<Service>::inject(twaveop op, twaveresult code, std::int32_t after) {
    faults[static_cast<std::size_t>(op)] = {code, after};
}

template <class Service> twaveresult tsimulatedwave<Service>::injected(twaveop op) {
    tfault& f = faults[static_cast<std::size_t>(op)];
    if (f.code == wave_noerror) return wave_noerror;
    if (f.after > 0) {
        --f.after;
        return wave_noerror;
    }
    return f.code;
}

template <class Service>
twaveresult tsimulatedwave<Service>::switch_state(twaveop op, bool& state, bool value) {
    if (!fopen) return wave_error_invalidparam;
    if (const twaveresult r = injected(op)) return r;
    state = value;
    return wave_noerror;
}

template <class Service>
twaveresult tsimulatedwave<Service>::open(std::int32_t deviceid, const twaveformat& format,
                                          twaveclient& c) {
    if (fopen) return wave_error_allocated;
    if (failopen != wave_noerror) return failopen;
    if (const twaveresult r = injected(twaveop::open)) return r;
    const std::int32_t id = deviceid == -1 ? defaultdevice : deviceid;
    if (names.empty()) return wave_error_nodriver;
    if (id < 0 || id >= static_cast<std::int32_t>(names.size())) return wave_error_baddeviceid;
    if (format.formattag != 1 || format.channels < 1 || format.samplespersec < 1 ||
        !format_supported(format))
        return wave_error_badformat;
    fopen = true;
    flost = false;
    fdevice = id;
    fformat = format;
    fclock = 0;
    ++fopens;
    client = &c;
    pending.push_back({twavemsgkind::opened, nullptr, wave_noerror});
    return wave_noerror;
}

template <class Service> twaveresult tsimulatedwave<Service>::prepare(twaveheader& header) {
    if (!fopen) return wave_error_invalidparam;
    if (const twaveresult r = injected(twaveop::prepare)) return r;
    if (header.data == nullptr && header.bufferlength > 0) return wave_error_invalidparam;
    header.flags |= whdr_prepared;
    return wave_noerror;
}

template <class Service> twaveresult tsimulatedwave<Service>::unprepare(twaveheader& header) {
    if (const twaveresult r = injected(twaveop::unprepare)) return r;
    if (header.flags & whdr_inqueue) return wave_error_stillplaying;
    header.flags &= ~whdr_prepared;
    return wave_noerror;
}

template <class Service> twaveresult tsimulatedwave<Service>::enqueue(twaveheader& header) {
    if (!fopen) return wave_error_invalidparam;
    if (const twaveresult r = injected(twaveop::queue)) return r;
    if (!(header.flags & whdr_prepared)) return wave_error_unprepared;
    if (header.flags & whdr_inqueue) return wave_error_stillplaying;
    header.flags = (header.flags & ~whdr_done) | whdr_inqueue;
    queue.push_back(&header);
    return wave_noerror;
}

template <class Service> twaveresult tsimulatedwave<Service>::reset() {
    if (!fopen) return wave_error_invalidparam;
    if (const twaveresult r = injected(twaveop::reset)) return r;
    for (twaveheader* h : queue) {
        h->flags = (h->flags & ~whdr_inqueue) | whdr_done;
        pending.push_back({twavemsgkind::done, h, wave_noerror});
    }
    queue.clear();
    fclock = 0;
    return wave_noerror;
}

template <class Service> twaveresult tsimulatedwave<Service>::close() {
    if (!fopen) return wave_error_invalidparam;
    if (const twaveresult r = injected(twaveop::close)) return r;
    if (!queue.empty()) return wave_error_stillplaying;
    erase_if(pending, [](const tpending& p) {
        return p.kind == twavemsgkind::done || p.kind == twavemsgkind::failed;
    });
    pending.push_back({twavemsgkind::closed, nullptr, wave_noerror});
    fopen = false;
    return wave_noerror;
}

template <class Service> void tsimulatedwave<Service>::detach(twaveclient& c) {
    if (client != &c) return;
    client = nullptr;
    pending.clear();
    queue.clear();
    fopen = false;
}

template <class Service> std::string tsimulatedwave<Service>::error_text(twaveresult code) {
    return wave_error_text(code) + advice;
}

template <class Service> void tsimulatedwave<Service>::deliver() {
    if (devicesnews) {
        devicesnews = false;
        if (watcher) watcher();
    }
    while (!pending.empty() && client != nullptr) {
        const tpending p = pending.front();
        pending.pop_front();
        switch (p.kind) {
        case twavemsgkind::opened:
            client->wave_opened();
            break;
        case twavemsgkind::closed:
            client->wave_closed();
            break;
        case twavemsgkind::done:
            client->wave_done(*p.header);
            break;
        case twavemsgkind::failed:
            client->wave_failed(p.code);
            break;
        }
    }
}

template <class Service> void tsimulatedwave<Service>::finish_front() {
    twaveheader* h = queue.front();
    queue.pop_front();
    finish(*h);
    h->flags = (h->flags & ~whdr_inqueue) | whdr_done;
    pending.push_back({twavemsgkind::done, h, wave_noerror});
}

template <class Service> std::int32_t tsimulatedwave<Service>::process(std::int32_t nbuffers) {
    std::int32_t n = 0;
    while (n < nbuffers && running() && !queue.empty()) {
        finish_front();
        ++n;
    }
    return n;
}

template <class Service> std::int32_t tsimulatedwave<Service>::run(std::int32_t maxbuffers) {
    std::int32_t n = 0;
    deliver();
    while (n < maxbuffers && process(1) == 1) {
        ++n;
        deliver();
    }
    return n;
}

template <class Service> void tsimulatedwave<Service>::advance(std::int64_t frames) {
    deliver();
    if (!running()) return;
    fclock += frames;
    const std::int64_t align = std::max(fformat.blockalign, 1);
    while (running() && !queue.empty()) {
        const std::int64_t need = queue.front()->bufferlength / align;
        if (fclock < need) break;
        fclock -= need;
        finish_front();
        deliver();
    }
    if (running() && queue.empty()) {
        fstarved += fclock;
        fclock = 0;
    }
}

template <class Service> void tsimulatedwave<Service>::lose_device() {
    if (!fopen || flost) return;
    flost = true;
    pending.push_back({twavemsgkind::failed, nullptr, wave_error_devicelost});
}

template <class Service>
void tsimulatedwave<Service>::change_devices(std::vector<std::string> devices) {
    names = std::move(devices);
    devicesnews = true;
}

template class tsimulatedwave<twaveinservice>;
template class tsimulatedwave<twaveoutservice>;

twaveresult tsimulatedwavein::open(std::int32_t deviceid, const twaveformat& format,
                                   twaveclient& client) {
    const twaveresult r = tsimulatedwave::open(deviceid, format, client);
    if (r == wave_noerror) {
        fstarted = false;
        fsamples = 0;
    }
    return r;
}

bool tsimulatedwavein::format_supported(const twaveformat& format) const {
    return format.bitspersample == 16 || format.bitspersample == 24;
}

twaveresult tsimulatedwavein::start() {
    return switch_state(twaveop::start, fstarted, true);
}

twaveresult tsimulatedwavein::reset() {
    const twaveresult r = tsimulatedwave::reset();
    if (r == wave_noerror) fstarted = false;
    return r;
}

void tsimulatedwavein::finish(twaveheader& header) {
    const std::int32_t width = fformat.bitspersample / 8;
    const std::int32_t hi = width == 2 ? 32767 : 8388607;
    const std::uint32_t n = header.bufferlength / static_cast<std::uint32_t>(width);
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::int32_t v = std::clamp(source(fsamples++), -hi - 1, hi);
        const auto u = static_cast<std::uint32_t>(v);
        for (std::int32_t b = 0; b < width; ++b)
            header.data[k * width + b] = static_cast<std::byte>((u >> (8 * b)) & 0xFF);
    }
    header.bytesrecorded = n * static_cast<std::uint32_t>(width);
}

twaveresult tsimulatedwaveout::open(std::int32_t deviceid, const twaveformat& format,
                                    twaveclient& client) {
    const twaveresult r = tsimulatedwave::open(deviceid, format, client);
    if (r == wave_noerror) fpaused = false;
    return r;
}

bool tsimulatedwaveout::format_supported(const twaveformat& format) const {
    return format.bitspersample == 16;
}

twaveresult tsimulatedwaveout::pause() {
    return switch_state(twaveop::pause, fpaused, true);
}

twaveresult tsimulatedwaveout::restart() {
    return switch_state(twaveop::restart, fpaused, false);
}

twaveresult tsimulatedwaveout::reset() {
    const twaveresult r = tsimulatedwave::reset();
    if (r == wave_noerror) fpaused = false;
    return r;
}

void tsimulatedwaveout::finish(twaveheader& header) {
    const std::size_t n = header.bufferlength / 2;
    const std::size_t at = played.size();
    played.resize(at + n);
    std::memcpy(played.data() + at, header.data, n * 2);
    ++buffersplayed;
}

twaveresult tsimulatedwaveout::get_volume(std::int32_t deviceid, std::uint32_t& volume) {
    const std::int32_t id = deviceid == -1 ? defaultdevice : deviceid;
    if (id < 0 || id >= static_cast<std::int32_t>(volumes.size())) return wave_error_notsupported;
    volume = volumes[static_cast<std::size_t>(id)];
    return wave_noerror;
}

twaveresult tsimulatedwaveout::set_volume(std::int32_t deviceid, std::uint32_t volume) {
    const std::int32_t id = deviceid == -1 ? defaultdevice : deviceid;
    if (id < 0 || id >= static_cast<std::int32_t>(volumes.size())) return wave_error_notsupported;
    volumes[static_cast<std::size_t>(id)] = volume;
    return wave_noerror;
}

} // namespace gravon
