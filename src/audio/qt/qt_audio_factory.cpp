#include "audio/qt/qt_audio_factory.h"

#include "audio/qt/qt_wave_service.h"

namespace gravon {

namespace {

template <class tservice>
std::unique_ptr<tservice> reporting(std::unique_ptr<tservice> s,
                                    const std::function<void(const std::string&)>& report) {
    if (report) s->setonexception([report](const std::exception& e) { report(e.what()); });
    return s;
}

} // namespace

std::unique_ptr<twaveinservice> tqtaudiofactory::make_wavein() {
    return reporting(std::make_unique<tqtwavein>(), freport);
}

std::unique_ptr<twaveoutservice> tqtaudiofactory::make_waveout() {
    return reporting(std::make_unique<tqtwaveout>(), freport);
}

} // namespace gravon
