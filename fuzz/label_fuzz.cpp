// The label reader of SMP files: the input as the external label file of an SMP recording
// whose header names it, read by the SMP reader and by the main window; and the input as one
// label line of a header item.
#include "files/smp_file.h"
#include "files/smp_labels.h"
#include "fuzz_support.h"

using namespace gravon;

namespace {

// A valid mono SMP file (one second of silence at 8 kHz would be needlessly long: 16 samples)
// whose "labels" item names labels.csv next to it.
std::string recording_with_labels() {
    const std::string p = (fuzz::folder().root / "labelled.smp").string();
    TSMPfile f;
    if (!f.new_file(p)) std::abort();
    f.setnChans(1);
    f.setSfTot(8000);
    f.insert_nonpresent_defaults();
    tsamplechunk c;
    c.used = 16;
    for (int i = 0; i < c.used; ++i) c.data[std::size_t(i)] = std::int16_t(100 * i);
    f.setChannelChunk(0, c);
    f.set_item("labels", "labels.csv");
    if (!f.save_file() || !f.close_file()) std::abort();
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string smp = recording_with_labels();
    const std::string path = fuzz::write_input(data, size, "labels.csv");
    parselabel(std::string(reinterpret_cast<const char*>(data), size));
    try {
        std::vector<tsmplabel> labels;
        readlabelfile(path, smp, labels);
    } catch (const EGravonError&) {
    }
    try {
        TSMPfile f;
        if (f.open_file(smp, true)) {
            for (int i = 0; i < f.nlabels(); ++i) labelline(f.Label(i));
            f.close_file();
        }
    } catch (const EGravonError&) {
    }

    fuzz::tfuzzform& f = fuzz::fuzzform();
    f.reset();
    try {
        f.form.open_any_file(smp);
    } catch (const EGravonError&) {
    }
    return 0;
}
