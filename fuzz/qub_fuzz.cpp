// The settings container reader: the input as a .qubfile, opened, and every entry read back
// with every typed read (a wrong type is refused with the container's own error).
#include "files/qub_file.h"
#include "fuzz_support.h"

using namespace gravon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::write_input(data, size, "input.qubfile");
    TQUBFile::isQUBfile(path);
    TQUBFile q;
    q.open_file(path);
    q.Idstr();
    q.ReadError();
    for (int i = 0; i < q.nnodes(); ++i) {
        const tnode n = q.get_nodeno(i);
        const auto each = [&](auto read) {
            try {
                read();
            } catch (const EGravonError&) {
            }
        };
        each([&] { q.readbool(n.section, n.key, false); });
        each([&] { q.readinteger(n.section, n.key, 0); });
        each([&] { q.readfloat(n.section, n.key, 0.0); });
        each([&] { q.readstring(n.section, n.key, ""); });
        each([&] { q.readbytearr(n.section, n.key, {}); });
        each([&] { q.readsmallintarr(n.section, n.key, {}); });
        each([&] { q.readdoublearr(n.section, n.key, {}); });
        each([&] { q.readsinglearr(n.section, n.key, {}); });
        each([&] { q.readcomplexarr(n.section, n.key, {}); });
        each([&] { q.readsinglecomplexarr(n.section, n.key, {}); });
    }
    return 0;
}
