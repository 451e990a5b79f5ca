#include "audio/held_sound.h"

#include "base/rounding.h"
#include "base/sample_conversion.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace gravon {

theldsound::theldsound(twaveoutservice& service) : player(service) {
    player.setnChans(1);
    player.setsfTot(44100);
    player.setnBuffers(4);
    player.setnChunkSamples(4096);
    player.OnStash = [this](TWaveChunk& arr, std::int32_t& used, bool& last) {
        fill(arr, used, last);
    };
}

void theldsound::start(std::vector<float> samples, double fs) {
    player.Stop();
    fsamples = std::move(samples);
    flead = std::size_t(std::max(std::lround(heldsoundlead * fs), 0L));
    ftail = std::size_t(std::max(std::lround(heldsoundtail * fs), 0L));
    fnext = 0;
    player.setsfTot(std::max(roundint(fs), 1));
    player.Run();
}

void theldsound::fill(TWaveChunk& arr, std::int32_t& used, bool& last) {
    const std::size_t total = flead + fsamples.size() + ftail;
    const std::size_t n = std::min({total - fnext, std::size_t(std::max(used, 0)), arr.size()});
    for (std::size_t i = 0; i < n; ++i, ++fnext) {
        const std::size_t k = fnext - flead; // wraps before the sound: no sample of it
        arr[i] = k < fsamples.size() ? doubletosample(false, double(fsamples[k]) * 32767.0)
                                     : std::int16_t{0};
    }
    used = std::int32_t(n);
    last = fnext >= total;
}

} // namespace gravon
