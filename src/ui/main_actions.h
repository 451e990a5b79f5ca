// The main window's actions as data: caption (with its mnemonic), shortcut, hint and toolbar
// image. The window makes one QAction of each; their enabled and checked states come from
// action_states().
#pragma once

#include "core/action_states.h"

#include <array>
#include <cstdint>

namespace gravon {

struct tactiondef {
    tactionid id;
    const char* caption;
    const char* shortcut; // in the portable text form ("Ctrl+N"); "" for none
    const char* hint;
    std::int32_t image; // toolbar image index; -1 for none
    bool checkable = false;
    const char* icontext = nullptr; // the short text under a toolbar image; null: caption
};

// One entry per tactionid, in the order of the enumeration.
const std::array<tactiondef, nactionids>& main_action_defs();

// The resource path of a toolbar image, "" for an index without an image.
const char* action_image_path(std::int32_t image);

// The application's icon.
inline constexpr const char* appiconpath = ":/icons/gravon.svg";

} // namespace gravon
