#include "core/device_choice.h"
#include "core/main_window.h"
#include "core/selection_sound.h"

#include <algorithm>

namespace gravon {

namespace {

constexpr const char* listencaption = "Listen to selection";

bool any_cell_selected(const tpglist& list) {
    return std::any_of(list.masks.binmarked.begin(), list.masks.binmarked.end(),
                       [](const tbinmask& m) {
                           return std::any_of(m.cells.begin(), m.cells.end(),
                                              [](std::uint8_t v) { return v != 0; });
                       });
}

} // namespace

bool TForm1::listen_possible() const {
    return MPClistenplay && !recording() && !analyzing && any_cell_selected(*this);
}

bool TForm1::listening() const {
    return MPClistenplay && MPClistenplay->playing();
}

void TForm1::stop_listening() {
    if (!listening()) return;
    try {
        MPClistenplay->stop();
    } catch (const EGravonError& e) {
        ui.tell(message_fact(listencaption,
                             "The keyboard soundcard " +
                                 sound_device_text(advanced.keyboarddevice, false) +
                                 " reported an error as it stopped.\r" + e.what(),
                             tmessagekind::warning));
    }
    fix_things();
}

void TForm1::ListenToSelectionActionExecute() {
    if (!MPClistenplay) return;
    if (frames() <= 0 || !audiokept()) {
        ui.tell(
            message_fact(listencaption,
                         "Nothing plays: the sound of the selected cells is not in memory. A "
                         "phonetogram file holds no sound, and a take's sound is gone once it is "
                         "discarded; analyse the sound file to hear its cells.",
                         tmessagekind::information));
        return;
    }
    const std::vector<tsoundrun> runs = selected_sound_runs(*this, *this);
    if (runs.empty()) {
        ui.tell(message_fact(
            listencaption,
            "Nothing plays: no frame of the sound in memory lies in the selected cells. "
            "Only the cells of the recording's phonetograms (Left, Right) have their "
            "sound at hand.",
            tmessagekind::information));
        return;
    }
    const std::string device = sound_device_text(advanced.keyboarddevice, false);
    try {
        choose_device(MPClistenplay->player, advanced.keyboarddevice);
        MPClistenplay->start(selection_sound(*this, runs, storefs), storefs);
    } catch (const EGravonError& e) {
        ui.tell(message_fact("Cannot listen to the selection",
                             "The keyboard soundcard " + device + " cannot be used.\r" + e.what(),
                             tmessagekind::error));
    }
    // Stop shows whether the selection plays.
    fix_things();
}

void TForm1::MPClistenplayFailed(const std::string& text) {
    fix_things();
    ui.tell(posted_fact(listencaption,
                        "The keyboard soundcard " +
                            sound_device_text(advanced.keyboarddevice, false) + " failed: " + text +
                            "\rThe selection stopped playing.",
                        tmessagekind::warning));
}

} // namespace gravon
