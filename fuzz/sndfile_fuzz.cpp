// The libsndfile reader: the input as a sound file of any format libsndfile takes, read
// channel by channel, then opened by the main window, which analyses its first channel.
#include "files/sndfile_reader.h"
#include "fuzz_support.h"

using namespace gravon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // libsndfile recognises a file by its contents; the extension only routes the main
    // window's open to the sound-file replay.
    const std::string path = fuzz::write_input(data, size, "input.flac");
    try {
        tsndfilereader r;
        r.open(path);
        for (int ch : {0, r.nchans() - 1}) r.read_channel(ch, [](std::span<const float>) {});
    } catch (const EGravonError&) {
    }

    fuzz::tfuzzform& f = fuzz::fuzzform();
    f.reset();
    try {
        f.form.open_any_file(path);
    } catch (const EGravonError&) {
    }
    return 0;
}
