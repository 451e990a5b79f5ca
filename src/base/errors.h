// Exception classes. Each component raises its own class; the message is the text shown to
// the user.
#pragma once

#include <stdexcept>
#include <string>

namespace gravon {

struct EGravonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Text that is not a number where a number is expected.
struct EConvertError : EGravonError {
    using EGravonError::EGravonError;
};

// A value outside the range of its target type (24-bit packing, sample-chunk sizes).
struct ERangeError : EGravonError {
    using EGravonError::EGravonError;
};

// A failure reported by the operating system (user name, file operations).
struct EOSError : EGravonError {
    using EGravonError::EGravonError;
};

} // namespace gravon
