// The phonetogram file reader: the input as a .stdpg file, read into a new phonetogram by the
// file functions and then by the main window, which adds it as a phonetogram.
#include "files/stdpg_file.h"
#include "fuzz_support.h"
#include "settings/advanced_settings.h"

using namespace gravon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::write_input(data, size, "input.stdpg");
    try {
        TSMPfile file;
        if (open_stdpg_file(file, path)) {
            tpg pg = make_empty_pg();
            tstdpgparamarr params = default_stdpgparams();
            read_stdpg(file, path, pg, params);
            file.close_file();
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
