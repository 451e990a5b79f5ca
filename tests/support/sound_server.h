// The test sound server that scripts/sound_server.sh starts.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace gravon::testing {

// Points the sound library at the test server when the environment names none.
inline void use_test_sound_server() {
    if (!std::getenv("PULSE_SERVER") && std::filesystem::exists("/tmp/gravon-pulse/native"))
        setenv("PULSE_SERVER", "unix:/tmp/gravon-pulse/native", 1);
}

} // namespace gravon::testing
