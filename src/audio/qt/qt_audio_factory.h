// The sound card of the desktop and the headless program: Qt Multimedia services, one per
// recorder or player. Needs a Qt application object with an event loop.
#pragma once

#include "audio/audio_devices.h"

namespace gravon {

class tqtaudiofactory : public taudiodevices {
  public:
    std::unique_ptr<twaveinservice> make_wavein() override;
    std::unique_ptr<twaveoutservice> make_waveout() override;
};

} // namespace gravon
