// Reading the texts of dialog edits, and the field at which an apply stopped.
//
// The dialogs copy their edits into the main window one field after another. A text that is
// not a number stops the copying there: the fields before it keep their new values, the rest
// are left alone, and the dialog puts the focus on the field and shows the message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gravon {

// Where an apply stopped: the field's name (the dialogs name their widgets after it), for a
// grid the cell, and the conversion message.
struct tfieldfailure {
    std::string field;
    std::int32_t row = -1;
    std::int32_t col = -1;
    std::string message;
};
using tapplyresult = std::optional<tfieldfailure>;

// A number typed with the locale's decimal separator. Raises EConvertError with the
// platform's conversion message.
double read_number(const std::string& text);

// A decimal integer (blanks around it allowed). Raises EConvertError
// "'" + text + "' is not a valid integer value".
std::int32_t read_integer(const std::string& text);

// A number shown in an edit: plain number text with the locale's separator.
std::string number_text(double x);

// Runs the steps of an apply. Each step names its field before it converts the field's
// text; the first conversion error ends the apply with that field.
class tfieldapply {
  public:
    // Names the field of the following conversions.
    void field(const std::string& name, std::int32_t row = -1, std::int32_t col = -1) {
        fcurrent = {name, row, col, {}};
    }
    const tfieldfailure& current() const { return fcurrent; }

  private:
    tfieldfailure fcurrent;
};

// Runs steps(apply); an EConvertError raised inside ends it with the field last named, and a
// tfieldfailure thrown by a nested apply ends it with that failure.
template <typename tsteps> tapplyresult run_field_apply(tsteps&& steps);

} // namespace gravon

#include "base/errors.h"

namespace gravon {

template <typename tsteps> tapplyresult run_field_apply(tsteps&& steps) {
    tfieldapply apply;
    try {
        steps(apply);
    } catch (const EConvertError& e) {
        tfieldfailure f = apply.current();
        f.message = e.what();
        return f;
    } catch (const tfieldfailure& f) {
        // A nested apply (a grid) that stopped at one of its own fields.
        return f;
    }
    return std::nullopt;
}

} // namespace gravon
