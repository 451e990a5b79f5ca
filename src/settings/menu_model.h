// A menu as a model: an ordered list of items with captions, tags, visibility and a click
// action. The window that shows the menu draws it from this list and calls click() when the
// user picks an item. Items are owned by whoever put them in; a menu only refers to them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gravon {

struct TMenuItem {
    std::string caption; // "-" is a separator
    std::int32_t tag = 0;
    bool visible = true;
    bool enabled = true;
    std::function<void(TMenuItem&)> onclick;

    void click() {
        if (onclick && enabled) onclick(*this);
    }
};

class TMenu {
  public:
    int count() const { return static_cast<int>(fitems.size()); }
    TMenuItem* item(int index) const { return fitems.at(static_cast<size_t>(index)); }
    // Index is limited to 0 ... count().
    void insert(int index, TMenuItem* item);
    // Does nothing when the item is not in the menu.
    void remove(const TMenuItem* item);
    int indexof(const TMenuItem* item) const;

  private:
    std::vector<TMenuItem*> fitems;
};

} // namespace gravon
