// The picture of a sound-level-meter calibration's set-up: the sound source (a loudspeaker, or
// the voice), the microphone beside the sound level meter, and the distance between them.
#pragma once

#include <QPixmap>

namespace gravon {

// For calibration method 2 (loudspeaker), 3 (voice) or 4 (head-mounted microphone, the meter
// at 300 mm); height in device-independent pixels, drawn for the device pixel ratio given.
QPixmap meter_method_picture(int method, int height, qreal pixelratio);

} // namespace gravon
