// A take led by the guided profile: the protocol is fed with the left phonetogram and the
// take's own clock (its unpaused samples) after every block the recorder delivers, and the prompt
// tone sounds on the keyboard player while the protocol asks for it, so that the keyboard's block
// keeps the tone out of the map. The take stops when the profile is done.
#pragma once

#include "core/guided_protocol.h"

#include <cstdint>
#include <functional>

namespace gravon {

class TForm1;

class tguidedrun {
  public:
    tguidedrun(TForm1& form, const tguidedsettings& s);
    ~tguidedrun();
    tguidedrun(const tguidedrun&) = delete;
    tguidedrun& operator=(const tguidedrun&) = delete;

    // Records (unpaused) and begins the first step; false when the take did not start (the
    // user cancelled a question, the device failed, the keyboard's tones do not block the
    // analysis: the window has said why).
    bool start();
    void repeat();
    void skip();
    void stop();

    const tguidedprotocol& protocol() const { return fprotocol; }
    // Seconds of sound since the profile began, not counting the paused stretches: a pause
    // holds the step where it is.
    double now() const;
    // Called whenever the step, its phase or its progress may have changed.
    std::function<void()> onchanged;

  private:
    void block_analysed();
    // The keyboard tone follows the protocol; the take ends with it.
    void follow();
    TForm1& form;
    tguidedprotocol fprotocol;
    std::function<void()> fprevious;
    bool fhooked = false;
    std::int32_t fsounding = -1; // the note the tone sounds, -1 none
    std::int64_t ffirst = 0;
    std::int64_t flast = 0;   // the sample count at the last block
    std::int64_t fpaused = 0; // samples of the profile's time that were paused
    bool ffinishednoted = false;
};

// The outcome in one line for the session record and the report: the range reached, the
// steps and the time ("reached G2 to E5 in 31 steps, 312 s"); "nothing reached" when no
// step was.
std::string guided_result_text(const tguidedprotocol& p);

// Why the window's settings let no guided profile run (its prompts would enter the map); empty
// when they do.
std::string guided_refusal(const TForm1& form);

} // namespace gravon
