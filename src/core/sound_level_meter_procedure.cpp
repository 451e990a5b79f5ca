#include "core/sound_level_meter_procedure.h"

#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "core/device_choice.h"
#include "core/dialog_fields.h"
#include "core/main_window.h"
#include "files/wav_file.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gravon {

tmeterprocedure::tmeterprocedure(TForm1& form, twaveinservice& in, twaveoutservice& out)
    : fform(form), frecorder(in), fplayer(out) {
    fplayer.setnChans(1);
    fplayer.setsfTot(16000);
    fplayer.setnBuffers(16);
    fplayer.setnChunkSamples(8192);
    frecorder.setnChans(1);
    frecorder.setsfTot(16000);
    frecorder.setnBuffers(16);
    frecorder.setnChunkSamples(8192);
    frecorder.setnBits(16);
    fplayer.OnStash = [this](TWaveChunk& arr, std::int32_t& used, bool&) { fill_tone(arr, used); };
    frecorder.OnFetch = [this](const TWaveChunk& arr, std::int32_t used, bool&) {
        record(arr, used);
    };
    // The tone is of no use without the recorder, which cannot measure without the tone.
    const auto failed = [this](const std::string& what) {
        try {
            stop();
        } catch (const EMPCError&) {
            // The failure that stopped it is what the user is to hear of.
        }
        if (on_failed) on_failed(what);
    };
    frecorder.OnFailed = [this, failed](const std::string& text) {
        failed("The recording device " + sound_device_text(fform.advanced.recorddevice, true) +
               " failed: " + text);
    };
    fplayer.OnFailed = [this, failed](const std::string& text) {
        failed("The calibration tone soundcard " +
               sound_device_text(fform.advanced.calibrationdevice, false) + " failed: " + text);
    };
}

void tmeterprocedure::start(std::int32_t chno, std::int32_t method, std::int32_t displaywidth) {
    fchanno = chno;
    calmethod = method;
    fcalstep = 0;
    ringbuffer.setwavedisplaywidth(std::max(displaywidth, 1));
    ringbuffer.setnsamples(roundint(10.0 * fform.advanced.fs));
    setcalstep(1);
}

void tmeterprocedure::stop() {
    // Both stop whatever the first reports; the first error is raised afterwards.
    std::string error;
    try {
        fplayer.Stop();
    } catch (const EMPCError& e) {
        error = e.what();
    }
    try {
        frecorder.Stop();
    } catch (const EMPCError& e) {
        if (error.empty()) error = e.what();
    }
    if (!error.empty()) throw EMPCError(error);
}

void tmeterprocedure::setcalstep(std::int32_t step) {
    step = std::clamp(step, 1, 5);
    if (step == fcalstep) return;
    const std::int32_t from = fcalstep;
    // A step whose entry fails is not entered, and the one left keeps running.
    if (step == 4 && from == 3) {
        try {
            flevel = read_number(leveltext);
        } catch (const EConvertError&) {
            // Said, not ignored: the button would seem to do nothing.
            throw EConvertError("The sound level meter's reading \"" + leveltext +
                                "\" is not a number. Type the level the meter shows, in dB.");
        }
    }
    if (step == 5 && from == 4 && !compute_factor()) return;
    if (step == 2) enter(step, from);
    if (from == 2) leave(from);
    fcalstep = step;
    if (step != 2) enter(step, from);
}

void tmeterprocedure::advance() {
    if (calibrate_enabled()) setcalstep(fcalstep + 1);
}

bool tmeterprocedure::calibrate_enabled() const {
    switch (fcalstep) {
    case 1:
    case 2:
        return true;
    case 3:
        return !leveltext.empty();
    case 4:
        return has_selection();
    default:
        return false;
    }
}

void tmeterprocedure::enter(std::int32_t step, std::int32_t from) {
    if (step == 1) {
        ringbuffer.clear_buffers();
        downcursor = upcursor = -1;
        leveltext.clear();
        return;
    }
    if (step != 2) return;
    arg = 0.0;
    downcursor = upcursor = -1;
    leveltext.clear();
    const double fs = fform.advanced.fs;
    const std::int32_t sftot = roundint(2.0 * fs);
    if (calmethod == 2) {
        fplayer.Stop();
        choose_device(fplayer, fform.advanced.calibrationdevice);
        fplayer.setnChans(2);
        fplayer.setsfTot(sftot);
        fplayer.Run();
    }
    frecorder.Stop();
    weighting = 1;
    aweighting.setup(fs);
    try {
        choose_device(frecorder, fform.advanced.recorddevice);
        frecorder.setnChans(2);
        frecorder.setsfTot(sftot);
        frecorder.Run();
    } catch (...) {
        fplayer.Stop();
        throw;
    }
}

void tmeterprocedure::leave(std::int32_t step) {
    if (step != 2) return;
    if (calmethod == 2) fplayer.Stop();
    frecorder.Stop();
}

bool tmeterprocedure::compute_factor() {
    if (!has_selection()) return false;
    const std::int32_t rf = ringbuffer.ratefactor();
    TWaveChunk samples;
    ringbuffer.get_wavechunk(samples, downcursor * rf, upcursor * rf);
    const std::optional<double> f = meter_factor(flevel, relative_rms(samples));
    if (!f) return false;
    factor = *f;
    overloadtext = overload_text(calmethod, factor);
    return true;
}

void tmeterprocedure::fill_tone(TWaveChunk& arr, std::int32_t& used) {
    const double step = 2.0 * std::numbers::pi * 1000.0 / fform.advanced.fs;
    const bool left = fform.advanced.calibrationtoneplayleft;
    const bool right = fform.advanced.calibrationtoneplayright;
    for (std::int32_t i = 0; i + 1 < used; i += 2) {
        arg += step;
        const double s = std::sin(arg) * fullscalesample;
        arr[std::size_t(i)] = doubletosample(true, left ? s : 0.0);
        arr[std::size_t(i) + 1] = doubletosample(true, right ? s : 0.0);
    }
    // Keeps the phase small so that the tone stays clean over a long calibration.
    arg = std::fmod(arg, 2.0 * std::numbers::pi);
}

void tmeterprocedure::record(const TWaveChunk& arr, std::int32_t used) {
    fchannel.clear();
    for (std::int32_t i = fchanno; i < used && std::size_t(i) < arr.size(); i += 2)
        fchannel.push_back(doubletosample(false, aweighting.filter(arr[std::size_t(i)])));
    ringbuffer.add_wavechunk(fchannel, std::int32_t(fchannel.size()));
    if (on_waveform) on_waveform();
}

namespace {

std::int32_t column_of(const tRingBuffer& ring, std::int32_t x) {
    return std::clamp(x, 0, std::max(ring.wavedisplaywidth() - 1, 0));
}

} // namespace

void tmeterprocedure::mouse_down(std::int32_t x) {
    if (fcalstep != 4) return;
    downcursor = upcursor = column_of(ringbuffer, x);
}

void tmeterprocedure::mouse_move(std::int32_t x) {
    if (fcalstep != 4 || downcursor < 0) return;
    upcursor = column_of(ringbuffer, x);
}

void tmeterprocedure::mouse_up() {
    if (fcalstep != 4) return;
    if (upcursor < downcursor) std::swap(upcursor, downcursor);
}

void tmeterprocedure::sign(const std::string& name) {
    if (!signing_visible() || !(factor > 0))
        throw EGravonError("Nothing has been measured: record the reference, enter the level "
                           "read on the sound level meter and mark its stretch before the "
                           "calibration can be signed.");
    fform.sign_calibration(fchanno, name, calmethod, factor);
}

void tmeterprocedure::save_waveform(const std::string& fname) const {
    TWaveChunk samples;
    if (has_selection()) {
        const std::int32_t rf = ringbuffer.ratefactor();
        ringbuffer.get_wavechunk(samples, downcursor * rf, upcursor * rf);
    } else {
        ringbuffer.get_wavechunk(samples, 0, ringbuffer.length() - 1);
    }
    TWavFile wav;
    wav.setnchans(1);
    wav.setsampfreq(roundint(fform.advanced.fs));
    wav.setformat(tFormat::pcm);
    wav.setnbits(16);
    wav.save_file(fname, std::vector<tsmallintarr>{samples}, true, false);
}

std::string tmeterprocedure::instruction(const std::string& name) const {
    return meter_instruction(fcalstep, calmethod, fchanno, name);
}

} // namespace gravon
