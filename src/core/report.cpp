#include "core/report.h"

#include "calibration/calibration_model.h"
#include "calibration/date_time.h"
#include "core/phonetogram_subjects.h"
#include "phonetogram/statistics_text.h"
#include "settings/statistics_settings.h"

#include <algorithm>

namespace gravon {

tstatisticsrows report_statistics_rows(const toptions& options) {
    tstatisticsrows rows = statistics_rows(options);
    rows.shortversion = true;
    for (bool tstatisticsrows::*flag :
         {&tstatisticsrows::showstatsarea, &tstatisticsrows::showstatsf0range,
          &tstatisticsrows::showstatsminf0, &tstatisticsrows::showstatsmaxf0,
          &tstatisticsrows::showstatsf0asnotes, &tstatisticsrows::showstatsminspl,
          &tstatisticsrows::showstatsmaxspl, &tstatisticsrows::showstatssplrange,
          &tstatisticsrows::showstatsleq})
        rows.*flag = true;
    return rows;
}

treport make_report(TForm1& form, const std::vector<std::int32_t>& subjects,
                    char decimalseparator) {
    treport r;
    r.title = "Voice range profile";
    r.signature = "Date and signature";
    r.made = "Made by " + form.progid.processing_stamp() + " on " +
             shown_date(datetimetostr(datetimenow()));
    // The take's or file's record; a report of loaded phonetograms only has theirs.
    const bool recording = std::any_of(subjects.begin(), subjects.end(),
                                       [](std::int32_t c) { return c < firstloadedpg; });
    const tsessionrecord session =
        recording || subjects.empty() || std::size_t(subjects.front()) >= form.pgs.size()
            ? form.session()
            : form.pgs[std::size_t(subjects.front())].session;
    // Dates in the one form every text of the program uses, whatever the locale.
    for (const tsessionfield& f : session_fields()) {
        const bool date = f.member == &tsessionrecord::born || f.member == &tsessionrecord::date;
        r.session.push_back({f.label, date ? shown_date(session.*f.member) : session.*f.member});
    }
    r.clinician = session.clinician;

    form.fix_area_statistics();
    const auto measured = [&form] {
        return std::any_of(form.statistics.begin(), form.statistics.end(),
                           [](const tstatistics& s) { return s.nbins >= 1; });
    };
    const bool selected = measured();
    const tbinmasks kept = form.masks;
    if (!selected) select_subject_areas(form, subjects);
    r.statisticscaption =
        selected ? "Area statistics of the selected area" : "Area statistics of the entire area";
    r.statistics = statistics_text(
        form, form.statistics, form.options.percentile, form.advanced.displayparams,
        report_statistics_rows(form.options), statistics_format(form.advanced, decimalseparator));

    std::vector<std::string> uncalibrated;
    // Every phonetogram the picture shows, measured or not.
    for (std::size_t i = 0; i < form.pgs.size(); ++i) {
        const tpg& pg = form.pgs[i];
        const bool measuredhere = i < form.statistics.size() && form.statistics[i].nbins >= 1;
        if (!measuredhere && !(pg.visible && total_time(pg) > 0)) continue;
        treportchannel c;
        c.name = pg.pgname.empty() ? "Channel " + std::to_string(i) : pg.pgname;
        c.calibration = pg.calibstr;
        const bool recording = i < std::size_t(firstloadedpg);
        const bool calibrated =
            pg.calstatus == calstatusunsigned || pg.calstatus == calstatussigned;
        c.uncalibrated = recording && !calibrated;
        if (recording && calibrated && !form.analysisisfromsoundfile() &&
            !form.commandlinecalibration && form.signedcalibrationdate[i] > 0)
            c.date = shown_date(datetimetostr(form.signedcalibrationdate[i]));
        if (c.uncalibrated) uncalibrated.push_back(c.name);
        r.channels.push_back(c);
    }
    if (!uncalibrated.empty()) {
        std::string names;
        for (std::size_t k = 0; k < uncalibrated.size(); ++k)
            names += (k == 0                         ? ""
                      : k + 1 == uncalibrated.size() ? " and "
                                                     : ", ") +
                     uncalibrated[k];
        r.uncalibratednote = "Not calibrated: " + names +
                             (uncalibrated.size() == 1 ? " has" : " have") +
                             " no calibration, so the levels shown (SPL, Leq) are not sound "
                             "pressure levels and cannot be compared with other sessions.";
    }

    r.distancenote = form.distance_note();
    r.changes = form.comparison_table(decimalseparator);
    // The two phonetograms by patient, date and task, above the table rather than in it.
    if (!r.changes.empty()) {
        r.comparedbaseline = "Baseline: " + r.changes.front().baseline;
        r.comparedcurrent = "Current: " + r.changes.front().current;
        r.changes.erase(r.changes.begin());
    }

    if (!selected) {
        form.masks = kept;
        form.fix_area_statistics();
    }
    return r;
}

} // namespace gravon
