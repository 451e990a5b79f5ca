// Recording from the command line: a take from a sound card through the same recorder, journal
// and analysis as the window's, so that labs can script their recordings.
#pragma once

#include "core/main_window.h"
#include "record_events.h"

#include <cstdio>
#include <string>

namespace gravon {

// Prints the input and output devices, one per line, by the names --device takes.
void print_audio_devices(std::FILE* out);

// Records `seconds` of sound from the input device named `device` ("" the system's default)
// into the recording phonetograms of form, with the calibration form holds, pausing and
// playing keyboard tones as `events` say. False, with the reason in error, when the device is
// unknown or cannot be opened; a device that goes away ends the take early with what was
// recorded (and a message through the form's interface).
bool record_take(TForm1& form, double seconds, const std::string& device,
                 const std::vector<trecordevent>& events, std::string& error);

} // namespace gravon
