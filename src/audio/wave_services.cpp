#include "audio/wave_services.h"
