#include "audio/masking_noise.h"

#include "base/rounding.h"

namespace gravon {

tmaskingnoise::tmaskingnoise(twaveoutservice& service, double fs) : player(service), generator(fs) {
    player.setnChans(1);
    player.setsfTot(44100);
    player.setnBuffers(4);
    player.setnChunkSamples(4096);
    player.OnStash = [this](TWaveChunk& arr, std::int32_t& used, bool&) {
        if (readsettings) readsettings(generator.settings);
        generator.fill(arr, used);
    };
}

void tmaskingnoise::start(double fs) {
    generator.start(fs);
    player.setnChans(2);
    player.setsfTot(roundint(2.0 * fs));
    player.Run();
}

} // namespace gravon
