// Acceptance of an analysis frame: the rate tests between consecutive hops and the clearing
// of the measures of a rejected channel.
#pragma once

#include "analysis/analysis_params.h"
#include "analysis/channel_measures.h"
#include "analysis/kill_point.h"

namespace gravon {

// The F0 rate test (semitones per hop) and the level rate test (dB per second, hop
// duration d), in that order. An arithmetic failure (a non-finite intermediate result) adds
// the arithmetic-failure reason and skips what remains of the tests.
void rate_tests(double prevf0, double f0, double prevpower, double power, double d,
                const tanalysisparams& p, tkillpoint& kp);

// Clears the measures of a channel whose rejection set is not empty. A channel rejected for
// nothing but a low HNR keeps its HNR for display; level and power always stay.
void clear_rejected(tchannelmeasures& m);

} // namespace gravon
