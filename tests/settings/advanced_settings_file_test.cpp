#include "files/qub_file.h"
#include "settings/advanced_settings_file.h"
#include "settings/settings_reader.h"
#include "settings/settings_values.h"
#include "support/temp_config.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using namespace gravon;
using gravon::testing::changed_advanced;
using gravon::testing::expect_same_advanced;

namespace {

const taudiodevicenames devices{{"Speakers", "Headphones", "HDMI"}, {"Mic array", "USB mic"}};

class AdvancedFile : public ::testing::Test {
  protected:
    void SetUp() override { out.setProgId(&progid); }

    std::vector<std::string> read_from(const TQUBFile& f, tadvancedsettings& a,
                                       const taudiodevicenames& d = devices) {
        tsettingsreader r(f);
        read_advanced_settings(r, a, d);
        return r.problems();
    }
    std::int32_t kind(const std::string& s, const std::string& k) const {
        for (int i = 0; i < out.nnodes(); ++i)
            if (out.get_nodeno(i).section == s && out.get_nodeno(i).key == k)
                return out.get_nodeno(i).data.id;
        return 0;
    }
    int position(const std::string& s, const std::string& k) const {
        for (int i = 0; i < out.nnodes(); ++i)
            if (out.get_nodeno(i).section == s && out.get_nodeno(i).key == k) return i;
        return -1;
    }

    gravon::testing::ttempconfig cfg;
    TProgId progid;
    TQUBFile out;
};

TEST_F(AdvancedFile, EveryFieldRoundTripsThroughAFile) {
    const tadvancedsettings a = changed_advanced();
    out.setFileId(advancedfileid);
    write_advanced_settings(out, a);
    const std::string name = cfg.make_file("adv.qubfile");
    out.save_file(name);
    TQUBFile in;
    ASSERT_TRUE(in.open_file(name));
    EXPECT_EQ(in.FileId(), "GravonAdvancedSettings");
    tadvancedsettings back;
    EXPECT_TRUE(read_from(in, back).empty());
    expect_same_advanced(a, back);
}

TEST_F(AdvancedFile, DefaultsRoundTrip) {
    const tadvancedsettings a;
    write_advanced_settings(out, a);
    tadvancedsettings back = changed_advanced();
    EXPECT_TRUE(read_from(out, back).empty());
    expect_same_advanced(a, back);
}

TEST_F(AdvancedFile, KeysKindsAndOrder) {
    write_advanced_settings(out, tadvancedsettings());
    EXPECT_EQ(out.get_nodeno(0).key, "PlaySoundcard");
    EXPECT_EQ(out.get_nodeno(3).key, "RecordSoundcard");
    EXPECT_EQ(kind("General", "PlaySoundcard"), qubstring);
    EXPECT_EQ(kind("General", "Use24Bits"), qubbool);
    EXPECT_EQ(kind("General", "LocationID"), qubstring);
    EXPECT_EQ(kind("General", "SampFreq"), qubfloat);
    EXPECT_EQ(kind("General", "FFTWindow"), qubinteger);
    EXPECT_EQ(kind("General", "NoiseQuantile"), qubfloat);
    EXPECT_EQ(kind("General", "AddDither"), qubbool);
    EXPECT_EQ(kind("General", "BinningMethod"), qubinteger);
    EXPECT_EQ(kind("Display", "LoKey"), qubinteger);
    EXPECT_EQ(kind("Display", "LoLevel"), qubfloat);
    EXPECT_EQ(kind("Display", "dBFormat"), qubstring);
    EXPECT_EQ(kind("Display", "SecondsFormat"), qubstring);
    EXPECT_EQ(kind("Save", "SaveStdpgChannels"), qubinteger);
    EXPECT_EQ(kind("Calibration", "Calibrationmethod1"), qubinteger);
    EXPECT_EQ(kind("Calibration", "ActualDistance1"), qubfloat);
    EXPECT_EQ(kind("Keyboard", "BlockDetection"), qubbool);
    EXPECT_EQ(kind("Parameters", "nstdpgParams"), qubinteger);
    EXPECT_EQ(kind("Parameters", "stdpgParamName8"), qubstring);
    EXPECT_EQ(kind("Parameters", "stdpgParamMapping8"), qubinteger);
    EXPECT_EQ(kind("Parameters", "DisplayParamLogarithmic7"), qubbool);
    EXPECT_EQ(kind("Parameters", "DisplayParamMin7"), qubfloat);
    EXPECT_EQ(kind("Display", "stFormat"), 0); // not stored
    // The noise ranges are written channel by channel.
    EXPECT_LT(position("General", "NoiseHi0"), position("General", "NoiseLo1"));
    // The save tables run channel-major: all left-channel items first.
    EXPECT_EQ(position("SaveKavell", "Debug0") + 1, position("SaveKavell", "Audio1"));
    EXPECT_EQ(position("SaveKavell", "Debug1") + 1, position("SaveKavell", "AmplifyAudio"));
    EXPECT_LT(position("SaveKavell", "AmplifyAudio"), position("SaveSMP", "Audio0"));
    EXPECT_LT(position("SaveWAV", "AmplifyAudio"), position("Save", "SaveStdpgChannels"));
    EXPECT_LT(position("Keyboard", "BlockDetection"), position("General", "LeftBlockRight"));
    EXPECT_EQ(position("Parameters", "DisplayParamLogarithmic9"), out.nnodes() - 1);
    EXPECT_TRUE(out.readbool("SaveKavell", "Maxpartialno0", false));
    EXPECT_FALSE(out.readbool("SaveKavell", "Maxpartialno1", true));
}

TEST_F(AdvancedFile, AddDitherIsWrittenButNeverRead) {
    tadvancedsettings a;
    a.binningmethod = 0;
    write_advanced_settings(out, a);
    EXPECT_FALSE(out.readbool("General", "AddDither", true));
    a.binningmethod = 1;
    write_advanced_settings(out, a);
    EXPECT_TRUE(out.readbool("General", "AddDither", false));

    TQUBFile f;
    f.writebool("General", "AddDither", false);
    tadvancedsettings b;
    read_from(f, b);
    EXPECT_EQ(b.binningmethod, 2);
}

TEST_F(AdvancedFile, DevicesAreStoredByName) {
    tadvancedsettings a;
    a.playdevice = "HDMI";
    a.calibrationdevice = "";
    a.keyboarddevice = "Bluetooth headset"; // chosen, but not connected just now
    a.recorddevice = "USB mic";
    write_advanced_settings(out, a);
    EXPECT_EQ(out.readstring("General", "PlaySoundcard", "?"), "HDMI");
    EXPECT_EQ(out.readstring("General", "CalibrationSoundcard", "?"), "");
    EXPECT_EQ(out.readstring("General", "KeyboardSoundcard", "?"), "Bluetooth headset");
    EXPECT_EQ(out.readstring("General", "RecordSoundcard", "?"), "USB mic");

    // The same devices in another order are still found.
    const taudiodevicenames moved{{"HDMI", "Speakers", "Headphones"}, {"USB mic", "Mic array"}};
    tadvancedsettings b;
    read_from(out, b, moved);
    EXPECT_EQ(b.playdevice, "HDMI");
    EXPECT_EQ(b.calibrationdevice, "");
    EXPECT_EQ(b.keyboarddevice, "");
    EXPECT_EQ(b.recorddevice, "USB mic");

    // A recorder that is no longer present selects the default device, without a message.
    const taudiodevicenames gone{{"Speakers"}, {"Mic array"}};
    tadvancedsettings c;
    EXPECT_TRUE(read_from(out, c, gone).empty());
    EXPECT_EQ(c.recorddevice, "");
    EXPECT_EQ(c.playdevice, "");

    // Without an audio layer every device is the default one.
    tadvancedsettings d;
    d.recorddevice = "USB mic";
    read_from(out, d, taudiodevicenames{});
    EXPECT_EQ(d.recorddevice, "");
}

TEST_F(AdvancedFile, AbsentDeviceKeyKeepsTheDevice) {
    tadvancedsettings a;
    a.recorddevice = "USB mic";
    TQUBFile f;
    read_from(f, a);
    EXPECT_EQ(a.recorddevice, "USB mic");
}

TEST(DeviceNames, LookUp) {
    const std::vector<std::string> names{"A", "B"};
    EXPECT_EQ(device_name(names, 1), "B");
    EXPECT_EQ(device_name(names, -1), "");
    EXPECT_EQ(device_name(names, 2), "");
    EXPECT_EQ(device_index(names, "B"), 1);
    EXPECT_EQ(device_index(names, "b"), -1); // exact match only
    EXPECT_EQ(device_index(names, ""), -1);
}

TEST_F(AdvancedFile, ParameterListLongerThanItsEntries) {
    // "nstdpgParams" 14 in a file that lists only the eleven default entries.
    write_advanced_settings(out, tadvancedsettings());
    out.writeinteger("Parameters", "nstdpgParams", 14);
    tadvancedsettings a;
    EXPECT_TRUE(read_from(out, a).empty());
    ASSERT_EQ(a.stdpgparams.size(), 14u);
    EXPECT_EQ(a.stdpgparams[10].name, "CrestHi01");
    EXPECT_EQ(a.stdpgparams[10].displaymapping, 5);
    EXPECT_EQ(a.stdpgparams[9].name, "SpecBal");
    for (std::size_t i = 11; i < 14; ++i) {
        EXPECT_EQ(a.stdpgparams[i].name, "") << i;
        EXPECT_EQ(a.stdpgparams[i].displaymapping, 0) << i;
    }
}

TEST_F(AdvancedFile, ListCountsShortenAndKeep) {
    TQUBFile f;
    f.writeinteger("Parameters", "nDisplayParams", 3);
    f.writestring("Parameters", "DisplayParamName2", "Changed");
    tadvancedsettings a;
    read_from(f, a);
    ASSERT_EQ(a.displayparams.size(), 3u);
    EXPECT_EQ(a.displayparams[1].name, "Acc. Time"); // entries without keys keep their values
    EXPECT_EQ(a.displayparams[2].name, "Changed");
    EXPECT_EQ(a.stdpgparams.size(), 11u); // no "nstdpgParams": the list stays
}

TEST_F(AdvancedFile, UnusableListCountsAreRefused) {
    for (std::int32_t n : {-1, 0, 1001, 2147483647}) {
        TQUBFile f;
        f.writeinteger("Parameters", "nDisplayParams", n);
        f.writeinteger("Parameters", "nstdpgParams", n);
        tadvancedsettings a;
        const std::vector<std::string> p = read_from(f, a);
        EXPECT_EQ(a.displayparams.size(), 10u) << n;
        if (n == 0) {
            // No display parameter would leave nothing to show; an empty mapping is fine.
            EXPECT_EQ(a.stdpgparams.size(), 0u);
            ASSERT_EQ(p.size(), 1u);
        } else {
            EXPECT_EQ(a.stdpgparams.size(), 11u) << n;
            ASSERT_EQ(p.size(), 2u) << n;
        }
        EXPECT_NE(p.back().find("nDisplayParams"), std::string::npos);
    }
}

TEST_F(AdvancedFile, RateAndBandwidthMustBePositive) {
    for (double v : {0.0, -44100.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        TQUBFile f;
        f.writefloat("General", "SampFreq", v);
        f.writefloat("General", "FFTBandwidth", v);
        f.writefloat("General", "HPFreq", 55.0);
        tadvancedsettings a;
        const std::vector<std::string> p = read_from(f, a);
        EXPECT_EQ(a.fs, 44100.0);
        EXPECT_EQ(a.fftbw, 50.0);
        EXPECT_EQ(a.hpfreq, 55.0);
        EXPECT_EQ(p.size(), 2u);
    }
}

TEST_F(AdvancedFile, RateAndBandwidthMustGiveAnAnalysisWindowThatFits) {
    // 4e8 Hz at 50 Hz would need a window of 16 million samples (gigabytes of tables); a
    // bandwidth of 0.001 Hz one of 88 million; 30 Hz at 50 Hz one of 1.2 samples.
    const std::pair<double, double> refused[] = {{4e8, 50}, {44100, 0.001}, {30, 50}};
    for (const auto& [fs, bw] : refused) {
        TQUBFile f;
        f.writefloat("General", "SampFreq", fs);
        f.writefloat("General", "FFTBandwidth", bw);
        tadvancedsettings a;
        a.fs = 48000;
        a.fftbw = 40;
        const std::vector<std::string> p = read_from(f, a);
        EXPECT_EQ(a.fs, 48000.0) << fs;
        EXPECT_EQ(a.fftbw, 40.0) << bw;
        ASSERT_EQ(p.size(), 1u);
        EXPECT_NE(p[0].find("Section \"General\", key \"SampFreq\": with \"FFTBandwidth\""),
                  std::string::npos)
            << p[0];
        EXPECT_NE(p[0].find("(2 to 131072 are possible); both are kept"), std::string::npos)
            << p[0];
    }
    TQUBFile f;
    f.writefloat("General", "SampFreq", 192000.0);
    f.writefloat("General", "FFTBandwidth", 10.0);
    tadvancedsettings a;
    EXPECT_TRUE(read_from(f, a).empty());
    EXPECT_EQ(a.fs, 192000.0);
    EXPECT_EQ(a.fftbw, 10.0);
}

TEST_F(AdvancedFile, OutOfRangeEnumerationsAreKeptAsStored) {
    TQUBFile f;
    f.writeinteger("General", "FFTWindow", 9);
    f.writeinteger("General", "BinningMethod", 5);
    tadvancedsettings a;
    EXPECT_TRUE(read_from(f, a).empty());
    EXPECT_EQ(a.fftwindow, 9);
    EXPECT_EQ(a.binningmethod, 5);
}

TEST_F(AdvancedFile, WrongTypeKeepsTheField) {
    TQUBFile f;
    f.writeinteger("General", "SampFreq", 22050);
    f.writefloat("General", "HPFreq", 80.0);
    tadvancedsettings a;
    const std::vector<std::string> p = read_from(f, a);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0], "Section \"General\", key \"SampFreq\": Data has wrong type: 11, not12");
    EXPECT_EQ(a.fs, 44100.0);
    EXPECT_EQ(a.hpfreq, 80.0);
}

TEST_F(AdvancedFile, MissingKeysLeaveFieldsAlone) {
    const tadvancedsettings before = changed_advanced();
    tadvancedsettings a = before;
    TQUBFile f;
    EXPECT_TRUE(read_from(f, a).empty());
    expect_same_advanced(before, a);
}

} // namespace
