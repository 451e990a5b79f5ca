// The runs behind the Python module, in plain C++: each is the headless program's run of the
// same request, with its settings, checks and messages, and nothing printed. A run that the
// headless program would end with an error raises tanalysisfailure with the lines it would
// print.
#pragma once

#include "core/batch_run.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace gravon {

struct tanalysisfailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// --set KEY=VALUE, in order.
using tsettinglist = std::vector<std::pair<std::string, std::string>>;

// gravon-cli [--channel CHANNEL] [--set ...] [/f<fullscale>...] PATH
std::unique_ptr<tbatchrun> analyse_file_run(const std::string& path,
                                            const std::vector<double>& fullscale,
                                            std::int32_t channel, const tsettinglist& settings);

// The same for samples held in memory: frames of nchans interleaved values (+-1 full scale)
// at fs Hz, with the full scale of each channel as /f gives it. name stands for them where a
// file's name would.
std::unique_ptr<tbatchrun> analyse_samples_run(std::span<const float> samples, std::int32_t nchans,
                                               double fs, const std::vector<double>& fullscale,
                                               std::int32_t channel, const tsettinglist& settings,
                                               const std::string& name);

// gravon-cli PATH for a stored phonetogram.
std::unique_ptr<tbatchrun> read_stdpg_run(const std::string& path);

// Raises tanalysisfailure with the failures the run reported since it had `from` of them.
void check_run(const tbatchrun& run, std::size_t from = 0);

} // namespace gravon
