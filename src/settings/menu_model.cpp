#include "settings/menu_model.h"

#include <algorithm>

namespace gravon {

void TMenu::insert(int index, TMenuItem* item) {
    index = std::clamp(index, 0, count());
    fitems.insert(fitems.begin() + index, item);
}

void TMenu::remove(const TMenuItem* item) {
    const int i = indexof(item);
    if (i >= 0) fitems.erase(fitems.begin() + i);
}

int TMenu::indexof(const TMenuItem* item) const {
    for (size_t i = 0; i < fitems.size(); ++i)
        if (fitems[i] == item) return static_cast<int>(i);
    return -1;
}

} // namespace gravon
