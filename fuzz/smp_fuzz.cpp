// The SMP reader: the input as an .smp file, its header read and every channel's samples
// fetched block by block, then opened by the main window, which analyses channel 0.
#include "files/smp_file.h"
#include "fuzz_support.h"

#include <algorithm>

using namespace gravon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::write_input(data, size, "input.smp");
    try {
        TSMPfile smp;
        if (smp.open_file(path, true)) {
            // What the analysis of a file and the display of its header read.
            smp.get_item("dBgain", "-");
            smp.get_item("calib0", smp.get_item("calib", ""));
            smp.FileType();
            smp.SfTot();
            smp.MSBFirst();
            smp.HeadSize();
            smp.nSamples();
            for (int l = 0; l < smp.nlabels(); ++l) smp.Label(l);
            try {
                const int nchans = std::clamp(smp.nChans(), 0, 4);
                smp.ScanCount();
                smp.IsSplitRate();
                tsamplechunk chunk;
                for (int ch = 0; ch < nchans; ++ch) {
                    smp.ChannelSampFreq(ch);
                    smp.ChannelRange(ch);
                    smp.ChannelView(ch);
                    smp.ChannelUnit(ch);
                    smp.ChannelName(ch);
                    do {
                        smp.ChannelChunk(ch, chunk);
                    } while (chunk.used > 0);
                }
                smp.setPosition(0);
                do {
                    smp.Chunk(chunk);
                } while (chunk.used > 0);
            } catch (const EGravonError&) {
            }
            smp.close_file();
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
