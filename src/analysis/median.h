// The median of an array of doubles, for the hot paths that take one per frame.
#pragma once

namespace gravon {

// The median of x[0] ... x[n - 1] (n > 0), the mean of the middle two (the lower one added to
// the upper) for an even n: exactly what ordering the values would give. x may be reordered.
double median(double* x, int n);

} // namespace gravon
