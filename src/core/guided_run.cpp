#include "core/guided_run.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "core/main_window.h"

#include <cmath>

namespace gravon {

tguidedrun::tguidedrun(TForm1& f, const tguidedsettings& s) : form(f), fprotocol(s) {}

tguidedrun::~tguidedrun() {
    if (fsounding >= 0) form.KeyBoard1NoteOff(fsounding);
    if (fhooked) form.onblockanalysed = fprevious;
}

double tguidedrun::now() const {
    return double(std::int64_t(form.samplecount) - ffirst - fpaused) / form.storefs;
}

bool tguidedrun::start() {
    if (const std::string why = guided_refusal(form); !why.empty()) {
        form.ui.tell(message_fact("Guided profile", why, tmessagekind::error));
        return false;
    }
    if (!form.recording()) form.RecordActionExecute(true);
    if (!form.recording()) return false;
    // Offered again next time, and after a restart: a patient's next session is led the same
    // way.
    form.options.guided = fprotocol.settings();
    form.set_paused(false);
    tsessionrecord r = form.session();
    r.protocol = guided_settings_text(fprotocol.settings());
    form.set_session(r);
    if (!fhooked) {
        fprevious = form.onblockanalysed;
        form.onblockanalysed = [this] {
            if (fprevious) fprevious();
            block_analysed();
        };
        fhooked = true;
    }
    ffirst = form.samplecount;
    flast = ffirst;
    fpaused = 0;
    ffinishednoted = false;
    fprotocol.start(0);
    follow();
    return true;
}

void tguidedrun::block_analysed() {
    const std::int64_t count = form.samplecount;
    if (form.paused()) fpaused += count - flast;
    flast = count;
    if (fprotocol.finished() || form.paused()) return;
    fprotocol.update(form.pgs[0], now());
    follow();
}

void tguidedrun::repeat() {
    fprotocol.repeat(now());
    follow();
}

void tguidedrun::skip() {
    fprotocol.skip(now());
    follow();
}

void tguidedrun::stop() {
    fprotocol.stop(now());
    follow();
}

void tguidedrun::follow() {
    const std::int32_t want = fprotocol.tone() ? fprotocol.target() : -1;
    if (want != fsounding) {
        if (fsounding >= 0) form.KeyBoard1NoteOff(fsounding);
        // A repeated step plays its tone again even when it is the same note.
        if (want >= 0) form.KeyBoard1NoteOn(want);
        fsounding = want;
    }
    if (fprotocol.finished() && !ffinishednoted) {
        ffinishednoted = true;
        tsessionrecord r = form.session();
        r.protocol =
            guided_settings_text(fprotocol.settings()) + "; " + guided_result_text(fprotocol);
        form.set_session(r);
        if (form.recording()) form.StopActionExecute();
    }
    if (onchanged) onchanged();
}

std::string guided_refusal(const TForm1& form) {
    if (form.advanced.keyboardblock) return {};
    return "The keyboard's tones do not block the analysis (Advanced settings, Keyboard), so the "
           "guided profile's prompt tones would enter the phonetogram. Let them block it first.";
}

std::string guided_result_text(const tguidedprotocol& p) {
    const std::int32_t lo = p.lowestreached();
    const std::int32_t hi = p.highestreached();
    const std::size_t n = p.steps().size();
    const std::string steps = std::to_string(n) + (n == 1 ? " step, " : " steps, ") +
                              floattostrdot(std::round(p.ended() - p.started())) + " s";
    if (lo < 0) return "nothing reached in " + steps;
    return "reached " + notename(lo, false) + " to " + notename(hi, false) + " in " + steps;
}

} // namespace gravon
