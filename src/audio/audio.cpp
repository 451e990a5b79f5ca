// The audio layer: recorder, player, generators and the ring buffer of the calibration windows.
#include "audio/wave_services.h"
