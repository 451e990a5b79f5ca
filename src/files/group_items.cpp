#include "files/group_items.h"

#include "files/session_items.h"

#include <charconv>

namespace gravon {

namespace {

std::string file_key(std::size_t k) {
    return std::string(groupitemprefix) + "file." + std::to_string(k + 1);
}

} // namespace

void write_group_items(TSMPfile& file, const tgroupmembers& g) {
    erase_items_with_prefix(file, groupitemprefix);
    if (g.empty()) return;
    file.set_item(std::string(groupitemprefix) + "members", std::to_string(g.files.size()));
    for (std::size_t k = 0; k < g.files.size(); ++k)
        write_text_items(file, file_key(k), g.files[k]);
}

tgroupmembers read_group_items(const TSMPfile& file) {
    tgroupmembers g;
    const std::string count = file.get_item(std::string(groupitemprefix) + "members");
    int n = 0;
    const char* end = count.data() + count.size();
    const auto r = std::from_chars(count.data(), end, n);
    if (r.ec != std::errc() || r.ptr != end || n < 1 || n > maxgroupmembers) return g;
    g.files.resize(std::size_t(n));
    for (std::size_t k = 0; k < g.files.size(); ++k)
        g.files[k] = read_text_items(file, file_key(k));
    return g;
}

} // namespace gravon
