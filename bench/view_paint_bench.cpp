// Timing of one paint of the phonetogram view with every bin of the grid shown in two
// overlaid phonetograms (17,920 bins each), at 1600 x 1000 pixels; and of the whole drawing
// area (keyboard, axes, view, legend) as "Copy image" and the headless picture draw it.
#include "core/main_window.h"
#include "phonetogram/pg_param.h"
#include "ui/view_renderer.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

using namespace gravon;

// Every question is answered "no", as a person who wants nothing changed would.
class tquietinterface : public tuserinterface {
  public:
    tanswer tell(const tfact&) override { return tanswer::no; }
};

// A settings folder of its own, so that no settings of the machine's user take part.
struct tbenchconfig {
    std::filesystem::path root;
    tbenchconfig() {
        std::random_device rd;
        root = std::filesystem::temp_directory_path() / ("gravon_bench_" + std::to_string(rd()));
        std::filesystem::create_directories(root / "config");
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root / "common").c_str(), 1);
    }
    ~tbenchconfig() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

// Every bin of both recording phonetograms holds time, the keyboard spans all 128 columns
// and the level axis all 140 rows; outline, target and crosshair on.
struct tfullview {
    tbenchconfig config;
    tquietinterface ui;
    TForm1 form{ui};
    tfullview() {
        form.FormActivate({});
        form.advanced.lokey = 0;
        form.advanced.nkeys = nf0bins;
        form.advanced.lolevel = 0;
        form.advanced.hilevel = nlevelbins - 1;
        form.options.lockaspectratio = false;
        form.options.showoutline = true;
        form.options.showtarget = true;
        form.targetticked = true;
        form.fshowcursor = true;
        form.set_zparam(1);
        for (std::size_t c = 0; c < 2; ++c) {
            form.pgs[c].visible = true;
            tpgarr& t = form.pgs[c].param[pglayeracctime].arr;
            for (int x = 0; x < nf0bins; ++x)
                for (int y = 0; y < nlevelbins; ++y) t[x][y] = 0.05 + 0.001 * (x + y + 50 * c);
        }
    }
};

// The models of a drawing area whose view is 1600 x 1000.
void size_view(tdrawingmodels& m, const TForm1& form) {
    layout_drawing_models(m, form, QSize(1600 + 60, 1000 + 150));
    m.keyboard.setSize(1600, m.keyboard.Height());
    m.laxis.setSize(m.laxis.Width(), 1000);
    m.faxis.setSize(1600, m.faxis.Height());
}

// As the view control repaints: its bin colours kept from the paint before.
void BM_PaintView(benchmark::State& state) {
    tfullview v;
    tdrawingmodels m;
    size_view(m, v.form);
    QImage image(1600, 1000, QImage::Format_RGB32);
    tbinpaint scratch;
    const tviewaxes axes{m.laxis, m.faxis, m.keyboard};
    for (auto _ : state) {
        paint_phonetogram_view(image, v.form, axes, scratch);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintView)->Unit(benchmark::kMillisecond);

// The first paint, or one after the colour scale changed: every bin's tint computed afresh.
void BM_PaintViewCold(benchmark::State& state) {
    tfullview v;
    tdrawingmodels m;
    size_view(m, v.form);
    QImage image(1600, 1000, QImage::Format_RGB32);
    const tviewaxes axes{m.laxis, m.faxis, m.keyboard};
    for (auto _ : state) {
        tbinpaint scratch;
        paint_phonetogram_view(image, v.form, axes, scratch);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintViewCold)->Unit(benchmark::kMillisecond);

void BM_RenderDrawingArea(benchmark::State& state) {
    tfullview v;
    for (auto _ : state) {
        QImage image = render_drawing_area(v.form, QSize(1700, 1200));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderDrawingArea)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
