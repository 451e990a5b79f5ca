// The WAV reader: the input as a .wav file, read channel by channel as floats and as
// integers, then opened by the main window, which analyses its first channel.
#include "files/wav_file.h"
#include "fuzz_support.h"

using namespace gravon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::write_input(data, size, "input.wav");
    try {
        TWavFile wav;
        if (wav.open_file(path, true)) {
            const int last = wav.nchans() - 1;
            for (int ch : {0, last}) {
                try {
                    tsinglearr a;
                    wav.read_channel(ch, a);
                } catch (const EGravonError&) {
                }
                try {
                    tintarr a;
                    wav.read_channel(ch, a);
                } catch (const EGravonError&) {
                }
            }
            wav.close_file();
        }
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
