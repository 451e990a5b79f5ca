#include "audio/wave_error_text.h"

namespace gravon {

std::string wave_error_text(twaveresult code) {
    switch (code) {
    case wave_noerror:
        return "The command was carried out.";
    case wave_error_baddeviceid:
        return "The device identifier is out of range.";
    case wave_error_allocated:
        return "The device is already in use.";
    case wave_error_nodriver:
        return "There is no sound device.";
    case wave_error_nomem:
        return "Not enough memory for the sound device.";
    case wave_error_notsupported:
        return "The sound device does not support this function.";
    case wave_error_invalidparam:
        return "An invalid parameter was passed to the sound device.";
    case wave_error_badformat:
        return "The sound device does not support this format.";
    case wave_error_stillplaying:
        return "Buffers are still queued at the sound device.";
    case wave_error_unprepared:
        return "The buffer was not prepared.";
    case wave_error_devicelost:
        return "The sound device is no longer available.";
    case wave_error_nosoundsystem:
        return "The sound system does not answer.";
    case wave_error_cannotopen:
        return "The sound device cannot be opened.";
    default:
        return "Unknown sound device error " + std::to_string(code) + ".";
    }
}

} // namespace gravon
