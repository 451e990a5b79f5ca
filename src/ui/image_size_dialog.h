// The size of a picture the user asks for: width and height in pixels, by default in the
// proportions of the window it shows.
#pragma once

#include <QSize>
#include <optional>

class QWidget;

namespace gravon {

// Empty when the user cancels. suggested is shown first; proportions are the window's.
std::optional<QSize> ask_image_size(QWidget* parent, QSize suggested, QSize proportions);

} // namespace gravon
