#include "qt_parts.h"

namespace gravon {

// gravon-cli hands every command line that needs these to gravon-cli-qt before it gets here.

namespace {
bool absent(std::string& error) {
    error = std::string("this needs ") + qtpartsprogram;
    return false;
}
} // namespace

bool has_qt_parts() {
    return false;
}

std::shared_ptr<void> start_qt_application(const tclioptions&, int&, char**) {
    return nullptr;
}

void print_audio_devices(std::FILE*) {}

bool record_take(TForm1&, double, const std::string&, const std::vector<trecordevent>&,
                 std::string& error, const std::function<void()>&) {
    return absent(error);
}

bool write_phonetogram_png(TForm1&, const std::string&, std::int32_t, std::int32_t,
                           std::string& error) {
    return absent(error);
}

bool write_report(TForm1&, const std::vector<std::int32_t>&, const std::string&,
                  std::string& error) {
    return absent(error);
}

} // namespace gravon
