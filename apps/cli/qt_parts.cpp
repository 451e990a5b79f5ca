#include "qt_parts.h"

#include "core/report.h"
#include "ui/report_page.h"
#include "ui/view_renderer.h"

#include <QGuiApplication>
#include <QLocale>

namespace gravon {

bool has_qt_parts() {
    return true;
}

std::shared_ptr<void> start_qt_application(const tclioptions& o, int& argc, char** argv) {
    if (!needs_qt_parts(o)) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_shared<QGuiApplication>(argc, argv);
}

bool write_phonetogram_png(TForm1& form, const std::string& fname, std::int32_t width,
                           std::int32_t height, std::string& error) {
    return save_drawing_png(form, fname, QSize(width, height), error);
}

bool write_report(TForm1& form, const std::vector<std::int32_t>& subjects, const std::string& fname,
                  std::string& error) {
    const treport report = make_report(form, subjects, decimal_separator(QLocale()));
    return write_report_pdf(form, report, fname, error);
}

} // namespace gravon
