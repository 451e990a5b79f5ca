"""The Python module against gravon-cli on the same files: the same tracks, cells and summary,
value for value; samples in an array as the file that holds them; a stored phonetogram as the
analysis it came from; the headless program's error messages as exceptions; four threads at
once as one by one; the installation under the prefix it is given.

    python3 gravon_module_test.py GRAVON_CLI GRAVON_SYNTH CMAKE   (with PYTHONPATH=build/python)
"""

import concurrent.futures
import csv
import glob
import math
import os
import subprocess
import sys
import tempfile
import unittest
import wave

import numpy as np
import pandas as pd

import gravon

CLI = SYNTH = CMAKE = None


def read_csv_text(path):
    """The header and the rows of a CSV file, every cell as the text it holds."""
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    return rows[0], rows[1:]


def number_text(value, kind):
    """A value as gravon-cli writes it in a column of this kind ("" when missing)."""
    if isinstance(value, str):
        return value
    if isinstance(value, float) and math.isnan(value):
        return ""
    if kind == "integer":
        return str(int(value))
    return "%.9g" % value


class Corpus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="gravon_python_")
        cls.dir = cls.tmp.name
        # The runs read and write their settings in the folder, never the user's.
        os.environ["XDG_CONFIG_HOME"] = os.path.join(cls.dir, "config")
        os.environ["XDG_DATA_HOME"] = os.path.join(cls.dir, "data")
        os.chdir(cls.dir)
        cls.synth("voice.wav", "--seconds", "2", "--f0", "196", "--spl", "78")
        cls.synth("stereo.wav", "--seconds", "2", "--f0", "262", "--crosstalk-db", "6")
        for k, f0 in enumerate((131, 165, 220, 294)):
            cls.synth("v%d.wav" % k, "--seconds", "3", "--f0", str(f0), "--vibrato", "5:0.5")

    @classmethod
    def tearDownClass(cls):
        os.chdir("/")
        cls.tmp.cleanup()

    @classmethod
    def synth(cls, name, *args):
        subprocess.run([SYNTH, "--out", name, *args], check=True, stdout=subprocess.DEVNULL)

    def cli(self, *args):
        return subprocess.run([CLI, *args], capture_output=True, text=True)

    def assert_table_as_csv(self, arrays, path):
        """A dict of arrays holds the CSV file's columns, in order, value for value."""
        header, rows = read_csv_text(path)
        self.assertEqual(list(arrays), header)
        for k, name in enumerate(header):
            column = arrays[name]
            self.assertIsInstance(column, np.ndarray, name)
            self.assertEqual(len(column), len(rows), name)
            kind = "integer" if column.dtype == np.int64 else "real"
            written = [r[k] for r in rows]
            if column.dtype == object:
                self.assertEqual(list(column), written, name)
            elif name.startswith(("left_", "right_", "time_centre")) and kind == "real":
                # Tracks hold the analysis's 32-bit values, written with all their digits.
                text = np.array([float(w) if w else np.nan for w in written])
                np.testing.assert_array_equal(column.astype(np.float32), text.astype(np.float32),
                                              err_msg=name)
            else:
                self.assertEqual([number_text(v, kind) for v in column.tolist()], written, name)

    def assert_row_as_csv(self, row, path):
        header, rows = read_csv_text(path)
        self.assertEqual(len(rows), 1)
        self.assertEqual(list(row), header)
        for k, name in enumerate(header):
            v = row[name]
            kind = "integer" if isinstance(v, int) else "real"
            self.assertEqual(number_text(v, kind), rows[0][k], name)

    def test_analyse_file_is_gravon_cli(self):
        r = self.cli("/f100", "voice.wav", "--tracks", "t.csv", "--cells-csv", "c.csv",
                     "--summary-csv", "s.csv", "--set", "TimeThreshold=0.05")
        self.assertEqual(r.returncode, 0, r.stderr)
        a = gravon.analyse_file("voice.wav", full_scale=100, settings={"TimeThreshold": 0.05})
        self.assertIsInstance(a, gravon.Analysis)
        self.assertEqual(a.warnings, [])
        self.assert_table_as_csv(a.tracks, "t.csv")
        self.assert_table_as_csv(a.cells(), "c.csv")
        self.assert_row_as_csv(a.summary(), "s.csv")
        self.assertGreater(a.summary()["time_area_s"], 1.5)
        self.assertEqual(a.summary()["threshold_s"], 0.05)
        # The frames are the tables as pandas reads the files.
        pd.testing.assert_frame_equal(a.cells_frame(), pd.read_csv("c.csv"), check_exact=False,
                                      check_dtype=False, rtol=1e-8)
        tracks = a.tracks_frame()
        self.assertEqual(list(tracks.columns), list(pd.read_csv("t.csv").columns))
        self.assertEqual(len(tracks), len(a.tracks["time_centre_s"]))
        # Uncalibrated, as without /f: the same warning as the program's.
        r = self.cli("voice.wav", "--summary-csv", "plain.csv")
        self.assertEqual(r.returncode, 3)
        plain = gravon.analyse_file("voice.wav")
        self.assertTrue(plain.warnings)
        self.assertEqual(["gravon-cli: warning: " + w for w in plain.warnings],
                         r.stderr.splitlines())
        self.assert_row_as_csv(plain.summary(), "plain.csv")
        # The module is the program of the same version.
        self.assertEqual(self.cli("--version").stdout, "Gravon %s\n" % gravon.__version__)

    def test_samples_in_an_array_are_the_file_that_holds_them(self):
        def samples(name):
            with wave.open(name) as w:
                data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")
                return w.getframerate(), data.reshape(-1, w.getnchannels()) / 32768.0

        # As /f, the full scales are those of file channels 0, 1, ...
        for name, channel in (("voice.wav", 0), ("stereo.wav", 1)):
            fs, x = samples(name)
            f = gravon.analyse_file(name, full_scale=[100, 100], channel=channel)
            self.assertGreater(len(f.cells()["time_all_s"]), 5)
            a = gravon.analyse(x[:, 0] if x.shape[1] == 1 else x, fs, [100, 100], channel=channel)
            self.assertEqual(list(a.tracks), list(f.tracks))
            for col in f.tracks:
                np.testing.assert_array_equal(a.tracks[col], f.tracks[col], err_msg=col)
            fc, ac = f.cells(), a.cells()
            for col in fc:
                if col != "name":
                    np.testing.assert_array_equal(ac[col], fc[col], err_msg=col)
            self.assertEqual(set(ac["name"]), {"samples"})
            fs_, as_ = f.summary(), a.summary()
            for key in fs_:
                if key not in ("file", "name", "calibration", "warnings"):
                    np.testing.assert_equal(as_[key], fs_[key], err_msg=key)
            self.assertEqual(as_["warnings"], fs_["warnings"].replace(name, "samples"))
        # A name stands for them as the file's does, and the row names the channel analysed.
        fs, x = samples("stereo.wav")
        named = gravon.analyse(x, fs, [100, 100], channel=1, name="take 3")
        self.assertEqual(set(named.cells()["name"]), {"take 3"})
        self.assertEqual((named.summary()["file"], named.summary()["channel"]), ("take 3", 1))
        self.assertIn("take 3 has 2 channels; only channel 1 was analysed", " ".join(named.warnings))
        # float32 samples are taken as they are.
        fs, x = samples("voice.wav")
        a32 = gravon.analyse(x[:, 0].astype(np.float32), fs, [100.0])
        np.testing.assert_array_equal(a32.cells()["time_all_s"],
                                      gravon.analyse_file("voice.wav", 100).cells()["time_all_s"])
        # A NaN sample rejects the two frames whose window holds it, says so, and leaves the
        # others as those of the array with a zero in its place.
        xz = x[:, 0].copy()
        xz[100 * 882 + 7] = 0.0
        xn = xz.copy()
        xn[100 * 882 + 7] = np.nan
        az, an = gravon.analyse(xz, fs, [100.0]), gravon.analyse(xn, fs, [100.0])
        bad = np.array(["nonfinite" in r for r in an.tracks["left_rejected"]])
        self.assertEqual(list(np.flatnonzero(bad)), [100, 101])
        for col in az.tracks:
            np.testing.assert_array_equal(an.tracks[col][~bad], az.tracks[col][~bad], err_msg=col)
        self.assertIn("2 of %d frames hold one" % len(bad), " ".join(an.warnings))

    def test_a_stored_phonetogram_reads_as_the_cells_it_holds(self):
        r = self.cli("/f100", "voice.wav", "/s")
        self.assertEqual(r.returncode, 0, r.stderr)
        r = self.cli("voice_pg.stdpg", "--cells-csv", "pc.csv", "--summary-csv", "ps.csv")
        self.assertEqual(r.returncode, 0, r.stderr)
        stored = gravon.read_stdpg("voice_pg.stdpg")
        self.assertNotIsInstance(stored, gravon.Analysis)
        self.assert_table_as_csv(stored.cells(), "pc.csv")
        self.assert_row_as_csv(stored.summary(), "ps.csv")
        # The file keeps the analysis's cells in 32 bits.
        cells = gravon.analyse_file("voice.wav", full_scale=100).cells()
        got = stored.cells()
        self.assertEqual(set(got["channel"]), {2})
        for col in cells:
            if col in ("channel", "name"):
                continue
            if cells[col].dtype == np.float64 and col not in ("f0_hz", "threshold_s"):
                np.testing.assert_array_equal(got[col], cells[col].astype(np.float32), col)
            else:
                np.testing.assert_array_equal(got[col], cells[col], col)
        # Saved from Python, it reads back as the program's file does.
        gravon.analyse_file("voice.wav", full_scale=100).save_stdpg("py.stdpg")
        again = gravon.read_stdpg("py.stdpg").cells()
        for col in got:
            if col != "name":
                np.testing.assert_array_equal(again[col], got[col], col)

    def test_errors_raise_with_the_programs_messages(self):
        with open("notes.wav", "w") as f:
            f.write("Subject 12, sustained /a/\n")
        for name in ("missing.wav", "notes.wav"):
            r = self.cli("/f100", name)
            self.assertEqual(r.returncode, 1)
            with self.assertRaises(gravon.Error) as e:
                gravon.analyse_file(name, full_scale=100)
            self.assertEqual(str(e.exception), r.stderr.strip())
            self.assertIn(name, str(e.exception))
        with self.assertRaises(gravon.Error) as e:
            gravon.read_stdpg("missing_pg.stdpg")
        self.assertIn("missing_pg.stdpg", str(e.exception))
        with self.assertRaises(gravon.Error) as e:
            gravon.read_stdpg("notes.wav")
        self.assertIn("notes.wav", str(e.exception))
        r = self.cli("--set", "NoSuchKey=1", "voice.wav")
        self.assertEqual(r.returncode, 2)
        with self.assertRaises(ValueError) as e:
            gravon.analyse_file("voice.wav", settings={"NoSuchKey": 1})
        self.assertEqual("gravon-cli: " + str(e.exception), r.stderr.splitlines()[0])
        with self.assertRaises(ValueError):
            gravon.analyse_file("voice.wav", settings={"LofoLimit": "eighty"})
        r = self.cli("/f-5", "voice.wav")
        with self.assertRaises(gravon.Error) as e:
            gravon.analyse_file("voice.wav", full_scale=-5)
        self.assertEqual(str(e.exception), r.stderr.strip())
        with self.assertRaises(TypeError):
            gravon.analyse(np.zeros(44100, dtype=np.int16), 44100, 100)
        with self.assertRaises(TypeError):
            gravon.analyse(np.zeros(44100), 44100, "loud")
        # What is no array of floats, or no name, is refused in one short line.
        for samples, name, error in (([0.0] * 441000, "samples", TypeError),
                                     (np.zeros(44100), 3, TypeError),
                                     (np.zeros(44100), "", ValueError),
                                     (np.zeros(44100), "a\0b", ValueError)):
            with self.assertRaises(error) as e:
                gravon.analyse(samples, 44100, 100, name=name)
            self.assertLess(len(str(e.exception)), 120, str(e.exception)[:200])
            self.assertNotIn("\n", str(e.exception))
        with self.assertRaises(ValueError):
            gravon.analyse(np.zeros(44100), 0, 100)
        with self.assertRaises(gravon.Error) as e:
            gravon.analyse(np.zeros(0), 44100, 100)
        self.assertIn("holds no samples", str(e.exception))
        with self.assertRaises(gravon.Error) as e:
            gravon.analyse(np.zeros(1000), 44100, 100)
        self.assertIn("too short to analyse", str(e.exception))
        with self.assertRaises(gravon.Error) as e:
            gravon.analyse(np.zeros((44100, 2)), 44100, 100, channel=2)
        self.assertIn("it has 2 channels", str(e.exception))
        with self.assertRaises(gravon.Error) as e:
            gravon.analyse_file("voice.wav", 100).cells(pg=5)
        self.assertIn("--pg 5", str(e.exception))
        # What the command line refuses, the module refuses with the same words.
        r = self.cli("voice.wav", "--pg", "-5", "--summary")
        self.assertEqual(r.returncode, 2)
        with self.assertRaises(ValueError) as e:
            gravon.analyse_file("voice.wav", 100).cells(pg=-5)
        self.assertIn('needs a whole number from 0 to 1000000, not "-5"', r.stderr)
        self.assertIn('pg needs a whole number from 0 to 1000000, not "-5"', str(e.exception))
        # A path as bytes is the same file; a NUL in a name is refused, not cut short.
        self.assertEqual(gravon.analyse_file(b"voice.wav", 100).summary()["file"], "voice.wav")
        for bad in ("voice.wav\0.txt", b"voice.wav\0"):
            with self.assertRaises(ValueError) as e:
                gravon.analyse_file(bad, 100)
            self.assertIn("NUL", str(e.exception))

    def test_threads_analyse_side_by_side_as_one_by_one(self):
        # Dithered binning draws from the random generator: concurrent analyses that shared
        # one sequence would bin differently.
        names = ["v%d.wav" % k for k in range(4)]
        settings = {"BinningMethod": 1}

        def run(name):
            a = gravon.analyse_file(name, full_scale=100, settings=settings)
            return a.cells(), a.tracks

        alone = [run(n) for n in names]
        for _ in range(3):
            with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
                together = list(pool.map(run, names))
            for (cells, tracks), (c2, t2) in zip(alone, together):
                for col in cells:
                    np.testing.assert_array_equal(c2[col], cells[col], col)
                for col in tracks:
                    np.testing.assert_array_equal(t2[col], tracks[col], col)
        # The dither did draw: the cells differ from those of the default binning.
        default = gravon.analyse_file(names[0], full_scale=100).cells()
        self.assertFalse(np.array_equal(default["time_all_s"], alone[0][0]["time_all_s"]))

    def test_an_installation_stays_under_its_prefix(self):
        prefix = os.path.join(self.dir, "prefix")
        r = subprocess.run([CMAKE, "--install", os.path.dirname(CLI), "--prefix", prefix],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        written = [line.split(": ", 1)[1] for line in r.stdout.splitlines()
                   if line.startswith(("-- Installing: ", "-- Up-to-date: "))]
        self.assertEqual([p for p in written if not p.startswith(prefix + "/")], [])
        module = glob.glob(os.path.join(prefix, "lib", "python3*", "*-packages", "gravon*.so"))
        self.assertEqual(len(module), 1, r.stdout)
        found = subprocess.run([sys.executable, "-c", "import gravon; print(gravon.__file__)"],
                               capture_output=True, text=True,
                               env=dict(os.environ, PYTHONPATH=os.path.dirname(module[0])))
        self.assertEqual(found.stdout.strip(), module[0], found.stderr)


if __name__ == "__main__":
    CLI, SYNTH, CMAKE = sys.argv[1], sys.argv[2], sys.argv[3]
    unittest.main(argv=sys.argv[:1], verbosity=2)
