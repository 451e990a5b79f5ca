// The INI reader behind the settings store and the recent-files list: the input as an INI
// file, read section by section and key by key through the settings store, then a value
// written and the file saved and read again. What was written must read back, and every
// other value must read as before: a save that lost or changed a value would corrupt the
// user's settings.
#include "base/same_text.h"
#include "fuzz_support.h"
#include "settings/ini_file.h"
#include "settings/setting.h"

#include <map>
#include <utility>

using namespace gravon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::write_input(data, size, "input.ini");
    std::map<std::pair<std::string, std::string>, std::optional<std::string>> before;
    try {
        TProgId progid;
        TSetting s;
        s.setProgId(&progid);
        s.setLocation(slfile);
        s.setFilename(path);
        std::vector<std::string> sections;
        s.ReadSections(sections);
        for (const std::string& sec : sections) {
            std::vector<std::string> keys;
            s.ReadSection(sec, keys);
            for (const std::string& k : keys) {
                s.ReadString(sec, k, "");
                s.ReadInteger(sec, k, 0);
                s.ReadFloat(sec, k, 0.0);
                s.ReadBool(sec, k, false);
            }
            tfontdesc font;
            s.ReadFont(sec, "Font", font);
        }
    } catch (const EGravonError&) {
    }

    TIniFile ini(path);
    for (const std::string& sec : ini.sections())
        for (const std::string& k : ini.keys(sec)) before[{sec, k}] = ini.read(sec, k);
    const std::string section = "RecentFiles", key = "1", value = "/some/where/voice.wav";
    try {
        ini.write(section, key, value);
        ini.flush();
    } catch (const EGravonError&) {
        return 0; // refused (an unreadable or oversized file is never overwritten)
    }
    const TIniFile again(path);
    if (again.read(section, key) != value) std::abort();
    for (const auto& [name, v] : before) {
        const bool written =
            same_text_nocase(name.first, section) && same_text_nocase(name.second, key);
        if (!written && again.read(name.first, name.second) != v) std::abort();
    }
    return 0;
}
