// The voice map as other voice-map tools read it, written and opened by the headless program.
#include "cli_process.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

using gravon::testing::slurp;
using Cli = gravon::testing::tclitest;

std::string line_of(const std::string& text, const std::string& head) {
    const std::size_t at = text.find(head);
    return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

TEST_F(Cli, AVoicemapWrittenOpensAgainWithTheSameMeasures) {
    synthesize("voice.wav", "--seconds 2 --f0 150");
    const auto first = run("/f100 voice.wav --export-voicemap voice_VRP.csv --stats");
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string map = slurp(dir() / "voice_VRP.csv");
    EXPECT_EQ(map.rfind("MIDI;dB;Total;Clarity;Crest;SpecBal;CPP;", 0), 0u) << map;
    // Commas open like semicolons.
    std::string commas = map;
    for (char& c : commas)
        if (c == ';') c = ',';
    std::ofstream(dir() / "commas.csv") << commas;
    for (const char* f : {"voice_VRP.csv", "commas.csv"}) {
        const auto again = run(std::string(f) + " --stats");
        ASSERT_EQ(again.status, 0) << again.err;
        for (const char* row :
             {"CPPS [dB]\t", "Spectrum balance [dB]\t", "H1/H2 [dB]\t", "Crest factor [dB]\t"})
            EXPECT_EQ(line_of(again.out, row), line_of(first.out, row)) << f << " " << row;
    }
    // A CSV that is no voice map is refused like any file that cannot be opened.
    std::ofstream(dir() / "other.csv") << "a,b\n1,2\n";
    EXPECT_EQ(run("other.csv --stats").status, 1);
}

} // namespace
