#include "audio/qt/qt_audio_factory.h"

#include "audio/qt/qt_wave_service.h"

namespace gravon {

std::unique_ptr<twaveinservice> tqtaudiofactory::make_wavein() {
    return std::make_unique<tqtwavein>();
}

std::unique_ptr<twaveoutservice> tqtaudiofactory::make_waveout() {
    return std::make_unique<tqtwaveout>();
}

} // namespace gravon
