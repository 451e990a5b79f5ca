// The recording journal's reader: the input as a journal left behind by a killed program, read
// as a recovery reads it (every segment header and every block's samples) and for its first
// header alone.
#include "files/recording_journal.h"
#include "fuzz_support.h"

using namespace gravon;

namespace {
// Where the sum of every byte handed on goes, so that reading them cannot be optimised away.
volatile unsigned sink;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::write_input(data, size, std::string("input") + journalextension);
    // Every byte handed on is read, so that a span past the reader's buffer shows.
    unsigned sum = 0;
    try {
        read_journal(
            path, [&](const tjournalheader& h) { sum += unsigned(h.channels + h.bits); },
            [&](std::span<const std::byte> samples, const tjournalblockstate& state) {
                for (std::byte b : samples) sum += unsigned(b);
                sum += unsigned(state.keyboardblocktime);
            });
    } catch (const EGravonError&) {
    }
    try {
        read_journal_header(path);
    } catch (const EGravonError&) {
    }
    sink = sum;
    return 0;
}
