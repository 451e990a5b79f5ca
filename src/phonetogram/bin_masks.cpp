#include "phonetogram/bin_masks.h"

namespace gravon {

namespace {

template <class F> void for_each_mask(tbinmasks& m, F f) {
    f(m.binshow);
    f(m.binshowcopy);
    f(m.binmarked);
    f(m.binglued);
    f(m.binenclosed);
    f(m.binexcluded);
}

} // namespace

void resize_binmasks(tbinmasks& m, std::size_t n) {
    for_each_mask(m, [n](std::vector<tbinmask>& v) { v.resize(n, make_binmask()); });
}

bool binmasks_fit(const tbinmasks& m, std::size_t n) {
    return m.binshow.size() >= n && m.binshowcopy.size() >= n && m.binmarked.size() >= n &&
           m.binglued.size() >= n && m.binenclosed.size() >= n && m.binexcluded.size() >= n;
}

void erase_binmasks_entry(tbinmasks& m, std::size_t k) {
    for_each_mask(m, [k](std::vector<tbinmask>& v) {
        if (k < v.size()) v.erase(v.begin() + static_cast<std::ptrdiff_t>(k));
    });
}

} // namespace gravon
