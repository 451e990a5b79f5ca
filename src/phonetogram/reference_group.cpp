#include "phonetogram/reference_group.h"

#include "base/errors.h"
#include "phonetogram/level_distance.h"

namespace gravon {

tbinmask reached_cells(const tpg& pg, const tbinshowsettings& s) {
    tpglist one;
    one.pgs.push_back(pg);
    one.pgs.front().visible = true;
    fix_binshow(one, s);
    return one.masks.binshow.front();
}

tpg make_reference_group(const std::vector<tpg>& members, const std::vector<std::string>& files,
                         const tbinshowsettings& s) {
    if (members.size() < 2)
        throw EGravonError("A reference group needs at least two phonetograms, not " +
                           std::to_string(members.size()));
    if (files.size() != members.size())
        throw EGravonError("A reference group needs one file name per member");

    // Levels at different distances differ by the distance, not by the voice.
    tpglist all;
    all.pgs = members;
    std::vector<std::int32_t> everyone;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (all.pgs[i].pgname.empty()) all.pgs[i].pgname = files[i];
        everyone.push_back(std::int32_t(i));
    }
    if (const std::string why = distance_mismatch(all, everyone); !why.empty())
        throw EGravonError("The members cannot be combined into one group. " + why);

    tpgarr count = make_pgarr(), time = make_pgarr();
    for (const tpg& m : members) {
        const tbinmask reached = reached_cells(m, s);
        for (std::int32_t x = 0; x < nf0bins; ++x)
            for (std::int32_t y = 0; y < nlevelbins; ++y)
                if (reached[x][y]) {
                    count[x][y] += 1;
                    time[x][y] += pg_cell_time(m, x, y);
                }
    }

    tpg g;
    const std::vector<tpgparam> defaults = default_recording_pgparams();
    g.param = {defaults[pglayersolidcolor], defaults[pglayeracctime], tpgparam{}};
    tpgparam& share = g.param[pglayergroupshare];
    share.name = groupsharename;
    share.entitystr = groupsharename;
    share.entitytype = entityavg;
    share.axisunit = groupshareunit;
    share.min = 0;
    share.max = 100;
    const double n = double(members.size());
    for (std::int32_t x = 0; x < nf0bins; ++x)
        for (std::int32_t y = 0; y < nlevelbins; ++y) {
            const double c = count[x][y];
            if (c == 0) continue;
            g.param[pglayeracctime].arr[x][y] = time[x][y] / c;
            share.arr[x][y] = 100.0 * c / n;
        }
    g.group.files = files;
    g.distance = members.front().distance;
    g.actualdistance = members.front().actualdistance;
    for (const tpg& m : members)
        if (!same_referred_distance(m.actualdistance, g.actualdistance)) g.actualdistance = -1;
    return g;
}

bool is_reference_group(const tpg& pg) {
    return !pg.group.empty();
}

const tpgarr* group_shares(const tpg& pg) {
    for (const tpgparam& p : pg.param)
        if (p.name == groupsharename && p.arr.nx == nf0bins && p.arr.ny == nlevelbins)
            return &p.arr;
    return nullptr;
}

tbinmask group_share_mask(const tpg& pg, double share) {
    tbinmask mask = make_binmask();
    const tpgarr* shares = group_shares(pg);
    if (shares == nullptr) return mask;
    // The file keeps a share as binary32: 2 of 3 reads back a hair below 66.67, and a user's
    // 66 % or a computed 2/3 must still take it in.
    const double atleast = share - 1e-4;
    for (std::int32_t x = 0; x < nf0bins; ++x)
        for (std::int32_t y = 0; y < nlevelbins; ++y) {
            const double v = (*shares)[x][y];
            mask[x][y] = v > 0 && v >= atleast ? 1 : 0;
        }
    return mask;
}

} // namespace gravon
