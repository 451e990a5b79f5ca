// gravon-synth: writes calibrated test phonations with their ground truth.
#include "synth/synth_cli.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return gravon::synth::run_synth_cli(args, std::cout, std::cerr);
}
