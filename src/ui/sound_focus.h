// Controls that start sound (recording, masking noise in the patient's headphones) take the
// keyboard focus only when the user puts it there: by Tab, by the arrows along the toolbar or
// by the mouse. Qt moves the focus on by itself when the focused control is disabled or a
// window is activated without a focused control; such a move onto a sound control lands on a
// quiet widget instead, so that a later Return or Space cannot start sound unseen.
#pragma once

class QWidget;

namespace gravon {

// Guards control for as long as it lives; quiet takes the focus that control refuses.
void guard_sound_focus(QWidget& control, QWidget& quiet);

} // namespace gravon
