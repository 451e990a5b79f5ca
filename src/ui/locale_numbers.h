// The numbers the window shows follow the user's locale (a German desktop shows "80,5 dB"),
// while every file keeps "." whatever the locale.
#pragma once

namespace gravon {

// Reads the separators of the user's locale (from the environment, as Qt reads it) and shows
// numbers with them from now on.
void show_numbers_in_user_locale();

} // namespace gravon
