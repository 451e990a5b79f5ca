#include "summary_csv.h"

#include "base/errors.h"
#include "phonetogram/pg_param.h"
#include "phonetogram_subjects.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gravon {

namespace {

std::string header(const TForm1& form) {
    std::string h = "file,channel,name,calibration,time_all_s,time_shown_s,time_area_s,"
                    "threshold_s,area_stdb,area_f0_min_hz,area_f0_max_hz,area_f0_mean_hz,"
                    "area_f0_median_hz,area_f0_mode_hz";
    for (double p : form.options.percentile) h += ",area_f0_" + percentile_column(p) + "_hz";
    h += ",area_spl_min_db,area_spl_max_db";
    for (double p : form.options.percentile) h += ",area_spl_" + percentile_column(p) + "_db";
    return h + ",area_leq_db,warnings\n";
}

std::string row(const TForm1& form, std::int32_t c, const tsummaryrun& run) {
    const tpg& pg = form.pgs[std::size_t(c)];
    double shown = 0;
    if (pg.param.size() > pglayeracctime)
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y)
                if (form.masks.binshow[std::size_t(c)][x][y])
                    shown += pg.param[pglayeracctime].arr[x][y];
    const tstatistics& s = form.statistics[std::size_t(c)];
    const bool area = s.nbins > 0;
    const auto stat = [&](double v) { return area ? csv_number(v) : std::string(); };
    const std::string file = c < firstloadedpg ? run.file : pg.pgname;
    std::string r = csv_field(file) + "," + std::to_string(c) + "," + csv_field(pg.pgname) + "," +
                    csv_field(pg.calibstr) + "," + csv_number(total_time(pg)) + "," +
                    csv_number(shown) + "," + csv_number(s.takentime) + "," +
                    csv_number(form.advanced.timethreshold) + "," + std::to_string(s.nbins);
    r += "," + stat(s.minf0) + "," + stat(s.maxf0) + "," + stat(s.avgf0) + "," + stat(s.f0median) +
         "," + stat(s.f0mode);
    for (std::size_t k = 0; k < form.options.percentile.size(); ++k)
        r += "," + (k < s.f0percentile.size() ? stat(s.f0percentile[k]) : std::string());
    r += "," + stat(s.minspl) + "," + stat(s.maxspl);
    for (std::size_t k = 0; k < form.options.percentile.size(); ++k)
        r += "," + (k < s.SPLpercentile.size() ? stat(s.SPLpercentile[k]) : std::string());
    r += "," + stat(s.leq);
    std::string warnings;
    for (const std::string& w : run.warnings) warnings += (warnings.empty() ? "" : " | ") + w;
    for (char& ch : warnings)
        if (ch == '\r' || ch == '\n') ch = ' ';
    return r + "," + csv_field(warnings) + "\n";
}

// Closes the descriptor however the append ends.
struct tfd {
    int fd;
    ~tfd() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

void append_summary_csv(TForm1& form, const std::vector<std::int32_t>& subjects,
                        const tsummaryrun& run, const std::string& fname) {
    const std::string h = header(form);
    std::string text;
    for (std::int32_t c : subjects) text += row(form, c, run);

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
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(f.fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fail(std::strerror(errno));
        }
        done += std::size_t(n);
    }
}

} // namespace gravon
