#include "core/result_table.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "core/csv_text.h"
#include "files/safe_file.h"

#include <algorithm>
#include <charconv>
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

void append_cell(std::string& text, const tcolumn& c, std::size_t row) {
    if (c.is_text()) {
        text += csv_field(c.texts[row]);
        return;
    }
    const double v = c.numbers[row];
    switch (c.kind) {
    case tcolumnkind::integer:
        if (std::isfinite(v)) {
            char buf[24];
            const auto r = std::to_chars(buf, buf + sizeof buf, std::int64_t(v));
            text.append(buf, r.ptr);
        }
        return;
    case tcolumnkind::stored:
        appendfloattostrdot(text, v);
        return;
    default:
        text += csv_number(v);
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
    append_csv_rows(text, t, 0, t.rows());
}

void append_csv_rows(std::string& text, const ttable& t, std::size_t from, std::size_t to) {
    for (std::size_t r = from; r < to; ++r) {
        for (std::size_t k = 0; k < t.columns.size(); ++k) {
            if (k > 0) text += ',';
            append_cell(text, t.columns[k], r);
        }
        text += '\n';
    }
}

void write_csv(const ttable& t, const std::string& fname) {
    TSafeFile out(fname, true);
    out.stream() << csv_header(t);
    // A few hundred rows at a time into one text, which a long table never outgrows.
    constexpr std::size_t chunk = 512;
    std::string text;
    text.reserve(chunk * (t.columns.size() * 20 + 1));
    for (std::size_t r = 0; r < t.rows(); r += chunk) {
        text.clear();
        append_csv_rows(text, t, r, std::min(t.rows(), r + chunk));
        out.stream() << text;
    }
    out.commit();
}

} // namespace gravon
