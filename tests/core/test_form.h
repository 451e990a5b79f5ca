// A main window for tests: headless, with its settings folder in a temporary directory, and
// helpers that feed synthesized sound through the recorder intake.
#pragma once

#include "core/main_window.h"
#include "support/message_box_interface.h"
#include "support/temp_config.h"
#include "synth/voice_synth.h"

#include <string>
#include <vector>

namespace gravon::testing {

// Records the message boxes and answers questions as told.
class trecordinginterface : public tmessageboxinterface {
  public:
    struct tmessage {
        std::string caption, text;
        tmessagekind kind;
        // Handed over with post_message, to be shown once the event is handled.
        bool posted = false;
    };
    std::vector<tmessage> messages;
    std::vector<std::string> questions;
    tanswer answer = tanswer::no;
    std::int32_t devicelistrefreshes = 0;

    void message_box(const std::string& caption, const std::string& text,
                     tmessagekind kind) override {
        messages.push_back({caption, text, kind});
    }
    void post_message(const std::string& caption, const std::string& text,
                      tmessagekind kind) override {
        messages.push_back({caption, text, kind, true});
    }
    void refresh_device_lists() override { ++devicelistrefreshes; }
    tanswer question(const std::string& caption, const std::string& text, tbuttons) override {
        questions.push_back(text);
        return answer;
    }
    // Record with a channel not calibrated: asked with these texts, answered so.
    std::vector<std::string> uncalibratedasked;
    bool recorduncalibrated = true;
    bool confirm_uncalibrated_record(const std::string& text) override {
        uncalibratedasked.push_back(text);
        return recorduncalibrated;
    }
};

struct ttestform {
    ttempconfig config;
    trecordinginterface ui;
    TForm1 form{ui};

    ttestform() { form.FormActivate({}); }

    // Starts a recording that is not paused.
    void start() {
        form.RecordActionExecute(true);
        form.set_paused(false);
    }

    // Feeds interleaved two-channel 16-bit samples through the recorder intake in blocks of
    // blockframes frames.
    void feed(const std::vector<std::int16_t>& stereo, std::size_t blockframes = 1024) {
        bool last = false;
        for (std::size_t i = 0; i < stereo.size(); i += 2 * blockframes) {
            const std::size_t n = std::min(2 * blockframes, stereo.size() - i);
            TWaveChunk chunk(stereo.begin() + std::ptrdiff_t(i),
                             stereo.begin() + std::ptrdiff_t(i + n));
            form.MPCRecord1Fetch(chunk, std::int32_t(n), last);
        }
    }
};

// Two interleaved channels from a synthesized result: a mono result goes to channel 0 with
// silence in channel 1.
inline std::vector<std::int16_t> stereo_of(const synth::tsynthresult& r) {
    if (r.channels == 2) return r.samples;
    std::vector<std::int16_t> out(2 * r.samples.size(), 0);
    for (std::size_t i = 0; i < r.samples.size(); ++i) out[2 * i] = r.samples[i];
    return out;
}

} // namespace gravon::testing
