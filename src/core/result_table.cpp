#include "core/result_table.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "core/csv_text.h"
#include "files/replacing_file.h"

#include <cmath>
#include <cstdint>

namespace gravon {

tcolumn& trowappender::next(bool text) {
    if (fcolumn >= ftable.columns.size())
        throw EGravonError("A table row has more values than the table has columns");
    tcolumn& c = ftable.columns[fcolumn++];
    if (c.is_text() != text)
        throw EGravonError("Column " + c.name + (text ? " takes numbers" : " takes text"));
    return c;
}

trowappender& trowappender::operator<<(double v) {
    next(false).numbers.push_back(v);
    return *this;
}

trowappender& trowappender::operator<<(const std::string& v) {
    next(true).texts.push_back(v);
    return *this;
}

namespace {

std::string cell_text(const tcolumn& c, std::size_t row) {
    if (c.is_text()) return csv_field(c.texts[row]);
    const double v = c.numbers[row];
    switch (c.kind) {
    case tcolumnkind::integer:
        return std::isfinite(v) ? std::to_string(std::int64_t(v)) : std::string();
    case tcolumnkind::stored:
        return floattostrdot(v);
    default:
        return csv_number(v);
    }
}

} // namespace

std::string csv_header(const ttable& t) {
    std::string h;
    for (const tcolumn& c : t.columns) h += (h.empty() ? "" : ",") + c.name;
    return h + "\n";
}

std::string csv_rows(const ttable& t) {
    std::string text;
    append_csv_rows(text, t);
    return text;
}

void append_csv_rows(std::string& text, const ttable& t) {
    const std::size_t n = t.rows();
    for (std::size_t r = 0; r < n; ++r) {
        for (std::size_t k = 0; k < t.columns.size(); ++k) {
            if (k > 0) text += ',';
            text += cell_text(t.columns[k], r);
        }
        text += '\n';
    }
}

void write_csv(const ttable& t, const std::string& fname) {
    TReplacingFile out(fname);
    out.stream() << csv_header(t) << csv_rows(t);
    out.commit();
}

} // namespace gravon
