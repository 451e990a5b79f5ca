// The voice-map CSV of other voice-map tools (their "_VRP.csv"): one row per cell with time,
// semicolon-separated, the header "MIDI;dB;Total;Clarity;Crest;SpecBal;CPP" followed by the
// phonetogram's other layers. MIDI is the cell's semitone column, dB its level row, Total the
// phonatory cycles in it (time x F0 of the column), the others the cells' means; a layer this
// program does not have (Clarity) is left empty, and so is a cell without a value.
#pragma once

#include "base/errors.h"
#include "phonetogram/phonetogram.h"

#include <string>

namespace gravon {

// A voice-map file that cannot be written or read; the message names the file.
struct EVoicemapError : EGravonError {
    using EGravonError::EGravonError;
};

// Writes pg's cells with time to fname, replacing it in one step.
void write_voicemap(const std::string& fname, const tpg& pg);

// Whether fname starts like a voice map (its first line begins with "MIDI" and a ";" or ",").
bool is_voicemap_file(const std::string& fname);

// Reads a voice map (semicolons or commas) into pg, which gets the recording layers; columns
// of other names become further layers. Raises EVoicemapError naming the file and the line
// for a file that is not one.
void read_voicemap(const std::string& fname, tpg& pg);

} // namespace gravon
