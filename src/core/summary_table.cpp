#include "core/summary_table.h"

#include "base/errors.h"
#include "core/phonetogram_subjects.h"
#include "files/safe_file.h"
#include "phonetogram/pg_param.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gravon {

ttable summary_table(const TForm1& form, const std::vector<std::int32_t>& subjects,
                     const tsummaryrun& run) {
    ttable t;
    using enum tcolumnkind;
    for (const char* n : {"file", "channel", "name", "calibration"})
        t.add_column(n, std::string(n) == "channel" ? integer : text);
    for (const char* n : {"time_all_s", "time_shown_s", "time_area_s", "threshold_s"})
        t.add_column(n, real);
    t.add_column("area_stdb", integer);
    for (const char* n : {"area_f0_min_hz", "area_f0_max_hz", "area_f0_mean_hz",
                          "area_f0_median_hz", "area_f0_mode_hz"})
        t.add_column(n, real);
    for (double p : form.options.percentile)
        t.add_column("area_f0_" + percentile_column(p) + "_hz", real);
    t.add_column("area_spl_min_db", real);
    t.add_column("area_spl_max_db", real);
    for (double p : form.options.percentile)
        t.add_column("area_spl_" + percentile_column(p) + "_db", real);
    t.add_column("area_leq_db", real);
    t.add_column("warnings", text);

    std::string warnings;
    for (const std::string& w : run.warnings) warnings += (warnings.empty() ? "" : " | ") + w;
    for (char& ch : warnings)
        if (ch == '\r' || ch == '\n') ch = ' ';
    for (std::int32_t c : subjects) {
        const tpg& pg = form.pgs[std::size_t(c)];
        double shown = 0;
        if (pg.param.size() > pglayeracctime)
            for (int x = 0; x < nf0bins; ++x)
                for (int y = 0; y < nlevelbins; ++y)
                    if (form.masks.binshow[std::size_t(c)][x][y])
                        shown += pg.param[pglayeracctime].arr[x][y];
        const tstatistics& s = form.statistics[std::size_t(c)];
        const bool area = s.nbins > 0;
        const auto stat = [&](double v) {
            return area ? v : std::numeric_limits<double>::quiet_NaN();
        };
        const auto percentile = [&](const std::vector<double>& v, std::size_t k) {
            return k < v.size() ? stat(v[k]) : std::numeric_limits<double>::quiet_NaN();
        };
        // A recording phonetogram filled from a sound file names the file's channel.
        const bool fromfile = c < firstloadedpg && form.soundfilechannels > 0;
        trowappender row(t);
        row << (c < firstloadedpg ? run.file : pg.pgname)
            << double(fromfile ? form.file_channel(c) : c) << pg.pgname << pg.calibstr
            << total_time(pg) << shown << s.takentime << form.advanced.timethreshold
            << double(s.nbins);
        row << stat(s.minf0) << stat(s.maxf0) << stat(s.avgf0) << stat(s.f0median)
            << stat(s.f0mode);
        for (std::size_t k = 0; k < form.options.percentile.size(); ++k)
            row << percentile(s.f0percentile, k);
        row << stat(s.minspl) << stat(s.maxspl);
        for (std::size_t k = 0; k < form.options.percentile.size(); ++k)
            row << percentile(s.SPLpercentile, k);
        row << stat(s.leq) << warnings;
    }
    return t;
}

namespace {

// Closes the descriptor however the append ends.
struct tfd {
    int fd;
    ~tfd() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

void append_summary_csv(const TForm1& form, const std::vector<std::int32_t>& subjects,
                        const tsummaryrun& run, const std::string& fname) {
    const ttable table = summary_table(form, subjects, run);
    const std::string h = csv_header(table);
    std::string text = csv_rows(table);

    const auto fail = [&](const std::string& why) {
        return EOSError("Cannot append to " + fname + ": " + why);
    };
    const tfd f{::open(fname.c_str(), O_RDWR | O_APPEND | O_CREAT, 0644)};
    if (f.fd < 0) throw fail(std::strerror(errno));
    if (::flock(f.fd, LOCK_EX) != 0) throw fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) throw fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) throw fail("it is not a regular file");
    if (st.st_size == 0) {
        text = h + text;
    } else {
        std::string first(h.size(), '\0');
        const ssize_t n = ::pread(f.fd, first.data(), first.size(), 0);
        if (n != ssize_t(h.size()) || first != h)
            throw EGravonError("Cannot append to " + fname +
                               ": it holds a table with other columns (write to a new file)");
    }
    append_file_safely(f.fd, fname, text);
}

} // namespace gravon
