// The Python module gravon: the headless program's analysis, tables and phonetogram files as
// Python objects. Each call is the headless program's run of the same request, so a result
// holds what gravon-cli writes, value for value, and an error raises with the text it prints.
// The analysis itself runs without the interpreter's lock: threads analyse side by side.
#include "base/errors.h"
#include "base/prog_id.h"
#include "core/cells_table.h"
#include "core/phonetogram_subjects.h"
#include "core/summary_table.h"
#include "core/track_table.h"
#include "core/usage_error.h"
#include "python_runs.h"
#include "python_tables.h"

#include <cmath>
#include <memory>
#include <optional>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace py = pybind11;
using namespace gravon;

namespace {

// What the core raises about a request (a phonetogram that is not there, nothing to describe)
// as the module's own error.
template <class tf> auto reported(tf f) {
    try {
        return f();
    } catch (const EGravonError& e) {
        throw tanalysisfailure(e.what());
    }
}

// The file name's bytes as the file system takes them: a str encoded, bytes as they are, as
// Python's own open() does.
std::string path_text(const py::object& path) {
    const py::bytes b = py::module_::import("os").attr("fsencode")(path);
    const std::string p = b;
    if (p.empty()) throw py::value_error("path: the name of a file is needed");
    if (p.find('\0') != std::string::npos)
        throw py::value_error("path: a file name cannot hold a NUL character: " +
                              std::string(py::repr(path)));
    return p;
}

// A stored or analysed phonetogram with the run that made it. The Python object owns it; every
// call on it runs under the interpreter's lock, so one object is never used by two threads at
// once.
struct tresult {
    std::unique_ptr<tbatchrun> run;

    // As --pg: a number from 0; None for the phonetograms gravon-cli describes by default.
    static std::int32_t pg_option(const std::optional<std::int64_t>& pg) {
        return pg ? checked_pg_number("pg", *pg) : -1;
    }

    py::dict cells(std::optional<std::int64_t> pg) {
        return reported([&] {
            const std::vector<std::int32_t> subjects = output_subjects(run->form, pg_option(pg));
            return table_arrays(cells_table(run->form, subjects));
        });
    }
    py::dict summary(std::optional<std::int64_t> pg) {
        return reported([&] {
            const std::vector<std::int32_t> subjects = output_subjects(run->form, pg_option(pg));
            const ttable t = summary_table(run->form, {subjects.front()},
                                           {run->analysedfile, run->ui.warnings()});
            return table_row(t, 0);
        });
    }
    void save_stdpg(const py::object& pathobject, std::optional<std::int64_t> pg) {
        const std::string path = path_text(pathobject);
        const std::int32_t c =
            reported([&] { return subject_pgs(run->form, pg_option(pg)); }).front();
        const std::size_t before = run->ui.failures().size();
        const bool saved = run->form.save_stdpg_action(path, c);
        check_run(*run, before);
        if (!saved) throw tanalysisfailure("Cannot save " + path);
    }
    std::vector<std::string> warnings() const { return run->ui.warnings(); }
};

// An analysed sound: a phonetogram and the tracks of its frames.
struct tanalysis : tresult {
    py::object tracks; // made on first use

    py::object track_arrays() {
        if (!tracks) tracks = table_arrays(track_table(run->form));
        return tracks;
    }
};

py::object data_frame(const py::dict& columns) {
    py::module_ pandas;
    try {
        pandas = py::module_::import("pandas");
    } catch (const py::error_already_set&) {
        throw py::import_error("gravon: the frames need pandas (Debian: python3-pandas)");
    }
    py::list names;
    for (const auto& item : columns) names.append(item.first);
    return pandas.attr("DataFrame")(columns, py::arg("columns") = names);
}

// None: no /f; a number: file channel 0's full scale; a sequence: one per file channel.
std::vector<double> full_scales(const py::object& v) {
    if (v.is_none()) return {};
    const auto number = [](const py::handle& x) {
        try {
            return x.cast<double>();
        } catch (const py::cast_error&) {
            throw py::type_error("full_scale: a number of Pa, or a list of one per channel, not " +
                                 std::string(py::repr(x)));
        }
    };
    if (py::isinstance<py::str>(v) || !py::hasattr(v, "__iter__")) return {number(v)};
    std::vector<double> list;
    for (const py::handle& x : v) list.push_back(number(x));
    if (list.empty()) throw py::value_error("full_scale: give a number of Pa or one per channel");
    return list;
}

// The values of --set as the command line writes them: true/false, numbers as Python writes
// them, texts as they are.
tsettinglist setting_list(const py::object& settings) {
    tsettinglist list;
    if (settings.is_none()) return list;
    if (!py::isinstance<py::dict>(settings))
        throw py::type_error("settings: a dict of setting keys and values");
    for (const auto& [key, value] : settings.cast<py::dict>()) {
        std::string text;
        if (py::isinstance<py::bool_>(value))
            text = value.cast<bool>() ? "true" : "false";
        else
            text = py::str(value);
        list.emplace_back(py::str(key), text);
    }
    return list;
}

tanalysis analyse_file(const py::object& path, const py::object& fullscale, std::int32_t channel,
                       const py::object& settings) {
    const std::string p = path_text(path);
    const std::vector<double> fs = full_scales(fullscale);
    const tsettinglist sets = setting_list(settings);
    if (channel < 0) throw py::value_error("channel: a channel number from 0");
    tanalysis r;
    {
        py::gil_scoped_release unlocked;
        r.run = analyse_file_run(p, fs, channel, sets);
    }
    return r;
}

// The name that stands for samples, where a file's name would: a text a file could be named.
std::string samples_name(const py::object& name) {
    if (!py::isinstance<py::str>(name))
        throw py::type_error("name: a text that stands for the samples, not " +
                             std::string(py::str(name.get_type().attr("__name__"))));
    const std::string n = name.cast<std::string>();
    if (n.empty()) throw py::value_error("name: an empty text cannot stand for the samples");
    if (n.find('\0') != std::string::npos)
        throw py::value_error("name: a name cannot hold a NUL character");
    return n;
}

// Taken as an object, so that anything but an array is refused in one line rather than by the
// binding's message, which repeats the whole argument.
tanalysis analyse(const py::object& samplesobject, double fs, const py::object& fullscale,
                  const py::object& settings, std::int32_t channel, const py::object& name) {
    if (!py::isinstance<py::array>(samplesobject))
        throw py::type_error(
            "samples: a NumPy array of floating-point values (full scale -1 to 1), not " +
            std::string(py::str(samplesobject.get_type().attr("__name__"))));
    const py::array samples = samplesobject.cast<py::array>();
    if (samples.dtype().kind() != 'f')
        throw py::type_error("samples: floating-point values (full scale -1 to 1), not " +
                             std::string(py::str(samples.dtype())));
    if (samples.ndim() != 1 && samples.ndim() != 2)
        throw py::value_error("samples: one channel, or one column per channel");
    const std::int32_t nchans = samples.ndim() == 1 ? 1 : std::int32_t(samples.shape(1));
    if (nchans < 1) throw py::value_error("samples: the array has no columns");
    if (!(fs > 0) || !std::isfinite(fs))
        throw py::value_error("fs: the sampling rate in Hz, a positive number");
    if (fullscale.is_none()) throw py::value_error("full_scale: the full scale in Pa is needed");
    const std::vector<double> scales = full_scales(fullscale);
    const tsettinglist sets = setting_list(settings);
    if (channel < 0) throw py::value_error("channel: a channel number from 0");
    const std::string samplesname = samples_name(name);
    // A copy in the analysis's own coding, frames interleaved, taken while the array cannot
    // change.
    const auto values =
        py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(samples);
    const std::vector<float> copy(values.data(), values.data() + values.size());
    tanalysis r;
    {
        py::gil_scoped_release unlocked;
        r.run = analyse_samples_run(copy, nchans, fs, scales, channel, sets, samplesname);
    }
    return r;
}

tresult read_stdpg(const py::object& path) {
    const std::string p = path_text(path);
    tresult r;
    {
        py::gil_scoped_release unlocked;
        r.run = read_stdpg_run(p);
    }
    return r;
}

} // namespace

PYBIND11_MODULE(gravon, m) {
    m.doc() = "Gravon's voice analysis and phonetograms, as gravon-cli makes them.";
    // The version gravon-cli --version prints and saved files record.
    m.attr("__version__") = TProgId{}.Version();
    py::register_exception<tanalysisfailure>(m, "Error");
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const tusageerror& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    py::class_<tresult>(m, "Phonetogram",
                        "A phonetogram as gravon-cli describes it: its cells and its summary row.")
        .def("cells", &tresult::cells, py::arg("pg") = py::none(),
             "One entry per --cells-csv column: a NumPy array with one value per cell with time. "
             "pg: the phonetogram, as --pg (default: the ones gravon-cli describes).")
        .def("summary", &tresult::summary, py::arg("pg") = py::none(),
             "The --summary-csv fields of the phonetogram pg (default: the first that gravon-cli "
             "describes).")
        .def(
            "cells_frame",
            [](tresult& r, std::optional<std::int64_t> pg) { return data_frame(r.cells(pg)); },
            py::arg("pg") = py::none(), "cells() as a pandas DataFrame.")
        .def("save_stdpg", &tresult::save_stdpg, py::arg("path"), py::arg("pg") = py::none(),
             "Saves the phonetogram as a .stdpg file, as /s does.")
        .def_property_readonly("warnings", &tresult::warnings,
                               "What makes the result doubtful, as gravon-cli warns.");

    py::class_<tanalysis, tresult>(m, "Analysis",
                                   "An analysed sound: its phonetogram and its frames' tracks.")
        .def_property_readonly("tracks", &tanalysis::track_arrays,
                               "One entry per --tracks column: a NumPy array with one value "
                               "per frame.")
        .def(
            "tracks_frame", [](tanalysis& r) { return data_frame(r.track_arrays()); },
            "tracks as a pandas DataFrame.");

    m.def("analyse_file", &analyse_file, py::arg("path"), py::arg("full_scale") = py::none(),
          py::arg("channel") = 0, py::arg("settings") = py::none(),
          "Analyses a sound file as gravon-cli [--channel N] [--set K=V ...] [/f...] path does.");
    m.def("analyse", &analyse, py::arg("samples"), py::arg("fs"), py::arg("full_scale"),
          py::arg("settings") = py::none(), py::arg("channel") = 0, py::arg("name") = "samples",
          "Analyses samples (a NumPy array of floats, full scale -1 to 1; one channel, or one "
          "column per channel) at fs Hz, as analyse_file analyses a file that holds them. "
          "name stands for them where a file's name would: in the summary, cells and "
          "warnings.");
    m.def("read_stdpg", &read_stdpg, py::arg("path"),
          "Reads a stored phonetogram (.stdpg) as gravon-cli path does.");
}
