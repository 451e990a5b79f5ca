// A table of results, column by column, as the headless program writes it to CSV and the
// Python module hands it over as arrays: one description of each table, so that the CSV file
// and the arrays can never disagree about a column's name, order or value.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gravon {

enum class tcolumnkind {
    integer, // whole numbers
    real,    // written with up to 9 significant digits
    stored,  // values as the analysis stores them, written with every digit they have
    text,
};

// A value a row does not have is NaN in a number column and "" in a text column; both are
// empty cells in CSV.
struct tcolumn {
    std::string name;
    tcolumnkind kind = tcolumnkind::real;
    std::vector<double> numbers; // every kind but text
    std::vector<std::string> texts;

    bool is_text() const { return kind == tcolumnkind::text; }
    std::size_t size() const { return is_text() ? texts.size() : numbers.size(); }
};

struct ttable {
    std::vector<tcolumn> columns;
    // Lines written before the header, each begun by "#": where the table came from.
    std::vector<std::string> comments;

    void add_column(std::string name, tcolumnkind kind) {
        columns.push_back({std::move(name), kind, {}, {}});
    }
    std::size_t rows() const { return columns.empty() ? 0 : columns.front().size(); }
    // Empties every column and keeps its memory.
    void clear_rows() {
        for (tcolumn& c : columns) {
            c.numbers.clear();
            c.texts.clear();
        }
    }
    // Room for n rows.
    void reserve_rows(std::size_t n) {
        for (tcolumn& c : columns) {
            if (c.is_text())
                c.texts.reserve(n);
            else
                c.numbers.reserve(n);
        }
    }
};

// Appends one row, value by value in the order of the columns.
class trowappender {
  public:
    explicit trowappender(ttable& t) : ftable(t) {}
    trowappender& operator<<(double v);
    trowappender& operator<<(const std::string& v);

  private:
    tcolumn& next(bool text);
    ttable& ftable;
    std::size_t fcolumn = 0;
};

// The comment lines, each ended by LF.
std::string csv_comments(const ttable& t);
// The header line and the rows as CSV: comma-separated, "." as the decimal separator, LF line
// ends, a text field quoted when it holds a comma, a quote or a line break.
std::string csv_header(const ttable& t);
std::string csv_rows(const ttable& t);
// The same rows appended to text.
void append_csv_rows(std::string& text, const ttable& t);
// Rows from ... to - 1 only.
void append_csv_rows(std::string& text, const ttable& t, std::size_t from, std::size_t to);

// Writes the comment lines, the header and the rows; the file is replaced only once complete.
// Raises EOSError naming the file when it cannot be written.
void write_csv(const ttable& t, const std::string& fname);

} // namespace gravon
