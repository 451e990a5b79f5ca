// What the report of a session says: one A4 page for the patient's file. The page's content
// is decided here, as plain texts; the user interface only lays it out and draws it, with the
// phonetogram drawn by the view's renderer beside it.
#pragma once

#include "core/main_window.h"
#include "core/report_changes.h"
#include "phonetogram/statistics_rows.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

struct treportrow {
    std::string label;
    std::string value; // empty: not entered, a line to fill in by hand
};

// The calibration of one phonetogram on the report: each one the picture shows or the
// statistics measure.
struct treportchannel {
    std::string name;        // "Left", "Right" or the file's name
    std::string calibration; // the calibration text the phonetogram carries
    std::string date;        // of the calibration, "YYYY-MM-DD hh:mm"; empty when unknown
    // Known not to be calibrated: its levels are no sound pressure levels. A loaded
    // phonetogram's calibration is known only by its text, so it is never marked.
    bool uncalibrated = false;
};

// Every date on the page is ISO with four-digit years, to the minute, as everywhere else in
// the program, so that no locale prints a two-digit year on a signed page.
struct treport {
    std::string title;
    std::vector<treportrow> session; // every field of the record, in its order
    std::vector<treportchannel> channels;
    std::string statisticscaption;       // which area the statistics measure
    std::vector<std::string> statistics; // lines of label and values, tab-separated
    // Beside the levels: which phonetograms are not calibrated. Empty when all are.
    std::string uncalibratednote;
    // Beside the levels: the phonetograms shown are referred to different distances. Empty
    // when they are not.
    std::string distancenote;
    treportchanges changes; // with a baseline; empty: no table of changes
    // With the table: "Baseline: " and "Current: " with each one's patient, date and task.
    std::string comparedbaseline, comparedcurrent;
    std::string made;      // program and moment the report was made
    std::string signature; // the caption of the signature line
    std::string clinician; // who signs
};

// The rows of the statistics on the report: the condensed rows the options show, and always
// those a follow-up is judged by (area, F0 range with its lowest and highest note, the SPL
// extremes and range, Leq).
tstatisticsrows report_statistics_rows(const toptions& options);

// The report of the window's state: the session record of the recording phonetograms, and
// the area statistics of the selection or, when nothing is selected, of the entire areas of
// subjects (the selection is left as it was). decimalseparator: the user's locale's.
treport make_report(TForm1& form, const std::vector<std::int32_t>& subjects, char decimalseparator);

// The report's file dialog.
inline constexpr const char* reportdialogcaption = "Save report as PDF";
inline constexpr const char* reportdialogfilter = "PDF files (*.pdf)|*.pdf";

} // namespace gravon
