#include "settings/advanced_settings.h"
#include "settings/options.h"

#include <gtest/gtest.h>
#include <string>

using namespace gravon;

TEST(AdvancedDefaults, AnalysisParameters) {
    tadvancedsettings a;
    // 44.1 kHz, 50 Hz bandwidth and a Hanning window give the 20 ms frame of the analysis.
    EXPECT_DOUBLE_EQ(a.fs, 44100.0);
    EXPECT_DOUBLE_EQ(a.fftbw, 50.0);
    EXPECT_EQ(a.fftwindow, fftwindowhanning);
    EXPECT_EQ(fftwindowhanning, 3);
    EXPECT_DOUBLE_EQ(a.hpfreq, 40.0);
    EXPECT_DOUBLE_EQ(a.lof0limit, 50.0);
    EXPECT_DOUBLE_EQ(a.hif0limit, 2000.0);
    EXPECT_DOUBLE_EQ(a.minsnr, 10.0);
    EXPECT_DOUBLE_EQ(a.maxneglevelspeed, 100.0);
    EXPECT_DOUBLE_EQ(a.maxposlevelspeed, 200.0);
    EXPECT_DOUBLE_EQ(a.maxf0speed, 7.0);
    EXPECT_DOUBLE_EQ(a.minhnr, 5.0);
    EXPECT_DOUBLE_EQ(a.minrelpartiallevel, -30.0);
    EXPECT_TRUE(a.subharmonicguard);
    EXPECT_DOUBLE_EQ(a.minsubharmonicratio, -15.0);
    EXPECT_DOUBLE_EQ(a.lfblockthreshold, -10.0);
    EXPECT_DOUBLE_EQ(a.hfblockthreshold, 15.0);
    EXPECT_DOUBLE_EQ(a.maxhfblocklevel, 70.0);
    EXPECT_DOUBLE_EQ(a.noisequantile, 0.5);
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_DOUBLE_EQ(a.noiselo[ch], 25.0);
        EXPECT_DOUBLE_EQ(a.noisehi[ch], 50.0);
    }
    EXPECT_DOUBLE_EQ(a.holdnoisemeasurementtime, 0.1);
    EXPECT_TRUE(a.keyboardblock);
    EXPECT_FALSE(a.leftblockright);
    EXPECT_FALSE(a.rightblockleft);
    EXPECT_DOUBLE_EQ(a.leftblockrightthreshold, 5.0);
    EXPECT_DOUBLE_EQ(a.rightblockleftthreshold, 5.0);
}

TEST(AdvancedDefaults, BinningDisplayAndFormats) {
    tadvancedsettings a;
    EXPECT_EQ(a.binningmethod, 2);
    EXPECT_STREQ(binningmethodcaptions[std::size_t(a.binningmethod)],
                 "Distribute contribution over four bins");
    EXPECT_DOUBLE_EQ(a.timethreshold, 0.04);
    EXPECT_TRUE(a.includeadjacentbins);
    EXPECT_DOUBLE_EQ(a.adjacentinclusionfactor, 0.25);
    EXPECT_TRUE(a.hideisolatedbins);
    EXPECT_DOUBLE_EQ(a.lolevel, 40.0);
    EXPECT_DOUBLE_EQ(a.hilevel, 120.0);
    EXPECT_EQ(a.lokey, 24);
    EXPECT_EQ(a.nkeys, 72);
    EXPECT_EQ(a.nsigdig, 4);
    EXPECT_EQ(a.dbformat, "0.0");
    EXPECT_EQ(a.stformat, "0.000");
    EXPECT_EQ(a.secformat, "0.0");
    EXPECT_TRUE(a.saveoptionsonexit);
    EXPECT_FALSE(a.saveadvancedsettingsonexit);
}

TEST(AdvancedDefaults, Calibration) {
    tadvancedsettings a;
    EXPECT_EQ(a.calibrationmethod[0], 1);
    EXPECT_EQ(a.calibrationmethod[1], 0);
    EXPECT_STREQ(calibrationmethodname[1], "Calibrator (preferred)");
    EXPECT_DOUBLE_EQ(a.calibratorspl, 94.0);
    EXPECT_DOUBLE_EQ(a.standarddistance, 0.3);
    EXPECT_DOUBLE_EQ(a.standardactualdistance(0), 0.15);
    EXPECT_DOUBLE_EQ(a.standardactualdistance(1), 0.15);
    EXPECT_DOUBLE_EQ(a.standardactualdistance(2), -1.0);
    EXPECT_DOUBLE_EQ(a.standardactualdistance(-1), -1.0);
    a.setstandardactualdistance(1, 0.2);
    a.setstandardactualdistance(5, 9.0); // ignored
    EXPECT_DOUBLE_EQ(a.standardactualdistance(1), 0.2);
    EXPECT_DOUBLE_EQ(a.standardactualdistance(0), 0.15);
    EXPECT_DOUBLE_EQ(a.calibratoroverloadlimit, 126.0);
    EXPECT_TRUE(a.calibrationrecalculate);
    EXPECT_DOUBLE_EQ(a.calibrationexpirationdays, 35.0);
}

TEST(AdvancedDefaults, SaveTables) {
    tadvancedsettings a;
    for (int item = 0; item < nsavemeasures; ++item) {
        bool smp = item == smAudio || item == smSPL || item == smfo;
        EXPECT_EQ(a.savesmpchannel[item][0], smp) << item;
        EXPECT_FALSE(a.savesmpchannel[item][1]) << item;
        EXPECT_EQ(a.savewavchannel[item][0], item == smAudio) << item;
        EXPECT_FALSE(a.savewavchannel[item][1]) << item;
        EXPECT_TRUE(a.savekavellchannel[item][0]) << item;
        EXPECT_FALSE(a.savekavellchannel[item][1]) << item;
    }
    EXPECT_TRUE(a.amplifysmpaudio);
    EXPECT_TRUE(a.amplifywavaudio);
    EXPECT_TRUE(a.amplifykavellaudio);
    EXPECT_EQ(a.savestdpgchannos, 0);
    EXPECT_STREQ(savemeasureid[smPowercentroid], "Powercentroid");
    EXPECT_STREQ(savemeasureid[smMaxpartialno], "Maxpartialno");
    EXPECT_STREQ(savemeasurename[smHNR], "Harmonic to noise ratio");
    EXPECT_STREQ(savestdpgchannosname[2], "Left && right");
}

TEST(AdvancedDefaults, ParameterTables) {
    tadvancedsettings a;
    ASSERT_EQ(a.displayparams.size(), 10u);
    ASSERT_EQ(ndefaultdisplayparams, 10);
    EXPECT_EQ(a.displayparams[0].name, "Solid color");
    EXPECT_EQ(a.displayparams[0].axisunit, "");
    EXPECT_EQ(a.displayparams[1].name, "Acc. Time");
    EXPECT_EQ(a.displayparams[1].axisunit, "s");
    EXPECT_DOUBLE_EQ(a.displayparams[1].min, 0.02);
    EXPECT_DOUBLE_EQ(a.displayparams[1].max, 5);
    EXPECT_TRUE(a.displayparams[1].logarithmic);
    EXPECT_EQ(a.displayparams[4].name, "Centroid");
    EXPECT_TRUE(a.displayparams[4].logarithmic);
    EXPECT_DOUBLE_EQ(a.displayparams[4].max, 2000);
    EXPECT_EQ(a.displayparams[6].name, "MaxPartNo");
    EXPECT_TRUE(a.displayparams[6].logarithmic);
    EXPECT_EQ(a.displayparams[7].name, "StDev");
    EXPECT_EQ(a.displayparams[7].axisunit, "cent");
    EXPECT_DOUBLE_EQ(a.displayparams[7].min, -40);
    EXPECT_FALSE(a.displayparams[7].logarithmic);
    EXPECT_EQ(a.displayparams[8].name, "CPPS");
    EXPECT_EQ(a.displayparams[9].name, "Spectrum balance");
    EXPECT_EQ(a.displayparams[9].axisunit, "dB");

    ASSERT_EQ(a.stdpgparams.size(), 11u);
    const char* names[11] = {"",          "AccTime",       "H1H2To01",  "HNRTo01", "CentroidTo01",
                             "CrestTo01", "MaxPartNoTo01", "StDevHi01", "CPPS",    "SpecBal",
                             "CrestHi01"};
    const int mapping[11] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 5};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(a.stdpgparams[i].name, names[i]) << i;
        EXPECT_EQ(a.stdpgparams[i].displaymapping, mapping[i]) << i;
        EXPECT_LT(a.stdpgparams[i].displaymapping, int(a.displayparams.size()));
    }
}

TEST(AdvancedDefaults, StartUpValuesOfUntouchedFields) {
    tadvancedsettings a;
    EXPECT_TRUE(a.noiseplayleft);
    EXPECT_TRUE(a.noiseplayright);
    EXPECT_TRUE(a.keyboardplayleft);
    EXPECT_TRUE(a.keyboardplayright);
    EXPECT_TRUE(a.calibrationtoneplayleft);
    EXPECT_FALSE(a.calibrationtoneplayright);
    // The system's default devices.
    EXPECT_EQ(a.playdevice, "");
    EXPECT_EQ(a.calibrationdevice, "");
    EXPECT_EQ(a.keyboarddevice, "");
    EXPECT_EQ(a.recorddevice, "");
    EXPECT_EQ(a.locationid, "");
}

TEST(SetAdvancedToDefault, RestoresDefaultsAndKeepsDevicesAndLocation) {
    tadvancedsettings a;
    toptions o;
    a.fs = 48000;
    a.fftbw = 30;
    a.fftwindow = fftwindowblackman;
    a.binningmethod = 0;
    a.savewavchannel[smSPL][1] = true;
    a.displayparams.resize(3);
    a.stdpgparams.clear();
    a.setstandardactualdistance(0, 0.5);
    a.noiseplayleft = false;
    a.calibrationtoneplayright = true;
    a.recorddevice = "USB mic";
    a.playdevice = "Headphones";
    a.use24bits = false;
    a.locationid = "Studio A";
    o.noisespectrum = 1;
    o.setzparam(2, 3);
    o.showstatsparam.assign(3, true);

    set_advanced_to_default(a, o);

    EXPECT_DOUBLE_EQ(a.fs, 44100);
    EXPECT_DOUBLE_EQ(a.fftbw, 50);
    EXPECT_EQ(a.fftwindow, fftwindowhanning);
    EXPECT_EQ(a.binningmethod, 2);
    EXPECT_FALSE(a.savewavchannel[smSPL][1]);
    EXPECT_EQ(a.displayparams.size(), 10u);
    EXPECT_EQ(a.stdpgparams.size(), 11u);
    EXPECT_DOUBLE_EQ(a.standardactualdistance(0), 0.15);
    EXPECT_EQ(o.noisespectrum, 0);
    // Untouched.
    EXPECT_FALSE(a.noiseplayleft);
    EXPECT_TRUE(a.calibrationtoneplayright);
    EXPECT_EQ(a.recorddevice, "USB mic");
    EXPECT_EQ(a.playdevice, "Headphones");
    EXPECT_FALSE(a.use24bits);
    EXPECT_EQ(a.locationid, "Studio A");
    // The options follow the restored parameter list; their own flags are kept.
    EXPECT_EQ(o.showstatsparam.size(), 10u);
    EXPECT_TRUE(o.showstatsparam[2]);
    EXPECT_FALSE(o.showstatsparam[3]);
    EXPECT_EQ(o.zparam(), 2);
}

TEST(OptionDefaults, TargetsKeyboardAndNoise) {
    toptions o;
    EXPECT_DOUBLE_EQ(o.defaultf0target, 110.0);
    EXPECT_DOUBLE_EQ(o.defaultleveltarget, 70.0);
    EXPECT_DOUBLE_EQ(o.f0target, 110.0);
    EXPECT_DOUBLE_EQ(o.leveltarget, 70.0);
    EXPECT_FALSE(o.showtarget);
    ASSERT_EQ(o.targets.size(), 4u);
    const double levels[4] = {70, 80, 70, 80}, f0s[4] = {110, 110, 220, 220};
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(o.targets[i].level, levels[i]);
        EXPECT_DOUBLE_EQ(o.targets[i].f0, f0s[i]);
    }
    EXPECT_TRUE(o.voicelike);
    EXPECT_EQ(o.keyboardnpartials, 30);
    EXPECT_DOUBLE_EQ(o.keyboardslope, -6.0);
    EXPECT_DOUBLE_EQ(o.keyboardlevel, -20.0);
    EXPECT_EQ(o.noisespectrum, 0);
    EXPECT_DOUBLE_EQ(o.noiselevel, -20.0);
    EXPECT_TRUE(o.softnoiseonset);
}

TEST(OptionDefaults, ViewAndStatistics) {
    toptions o;
    EXPECT_TRUE(o.lockaspectratio);
    EXPECT_EQ(o.zparam(), 1);
    EXPECT_TRUE(o.showlegend);
    EXPECT_FALSE(o.showblackborder);
    EXPECT_TRUE(o.showoutline);
    EXPECT_EQ(o.groupshare, 90);
    EXPECT_TRUE(o.showblob[0]);
    EXPECT_FALSE(o.showblob[1]);
    EXPECT_TRUE(defaultpgvisible[0]);
    EXPECT_FALSE(defaultpgvisible[1]);
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_FALSE(o.showspectrum[ch]);
        EXPECT_FALSE(o.shownoise[ch]);
    }
    for (bool b : {o.showstatsarea, o.showstatstakentime, o.showstatsrecordedtime, o.showstatsavgf0,
                   o.showstatsf0median, o.showstatsf0mode, o.showstatsminf0, o.showstatsmaxf0,
                   o.showstatsf0range, o.showstatsf0asfreqs, o.showstatsleq, o.showstatsminspl,
                   o.showstatsmaxspl, o.showstatsdistance})
        EXPECT_TRUE(b);
    for (bool b :
         {o.showstatssplrange, o.showstatsf0assemitones, o.showstatsf0asnotes,
          o.showstatsactualdistance, o.showstatsm, o.showstatsk, o.showstatsr, o.shortversion})
        EXPECT_FALSE(b);
    const double p[7] = {0.05, 0.1, 0.25, 0.5, 0.75, 0.9, 0.95};
    ASSERT_EQ(o.percentile.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_DOUBLE_EQ(o.percentile[i], p[i]);
    EXPECT_EQ(o.showf0percentile, std::vector<bool>(7, false));
    EXPECT_EQ(o.showSPLpercentile, std::vector<bool>(7, false));
    EXPECT_EQ(o.showstatsparam, std::vector<bool>(10, false));
}

TEST(OptionZParam, ClampedOnEveryAssignment) {
    toptions o;
    o.setzparam(99, 8);
    EXPECT_EQ(o.zparam(), 7);
    o.setzparam(-3, 8);
    EXPECT_EQ(o.zparam(), 0);
    o.setzparam(5, 8);
    EXPECT_EQ(o.zparam(), 5);
    o.setzparam(5, 1);
    EXPECT_EQ(o.zparam(), 0);
    // No display parameter at all: the index still is a valid non-negative value.
    o.setzparam(3, 0);
    EXPECT_EQ(o.zparam(), 0);
    o.setzparam(3, -4);
    EXPECT_EQ(o.zparam(), 0);
}

TEST(SetOptionsToDefault, RestoresAllButNoiseSpectrum) {
    toptions o;
    o.f0target = 300;
    o.defaultleveltarget = 90;
    o.targets.clear();
    o.showtarget = true;
    o.keyboardnpartials = 5;
    o.noisespectrum = 1;
    o.noiselevel = 0;
    o.setzparam(6, 8);
    o.showblob = {false, true};
    o.showstatsr = true;
    o.showstatsparam.assign(12, true);
    o.showf0percentile[3] = true;
    o.shortversion = true;

    set_options_to_default(o, 10);

    EXPECT_DOUBLE_EQ(o.f0target, 110);
    EXPECT_DOUBLE_EQ(o.defaultleveltarget, 70);
    EXPECT_EQ(o.targets.size(), 4u);
    EXPECT_FALSE(o.showtarget);
    EXPECT_EQ(o.keyboardnpartials, 30);
    EXPECT_EQ(o.noisespectrum, 1); // reset with the advanced settings
    EXPECT_DOUBLE_EQ(o.noiselevel, -20);
    EXPECT_EQ(o.zparam(), 1);
    EXPECT_TRUE(o.showblob[0]);
    EXPECT_FALSE(o.showblob[1]);
    EXPECT_FALSE(o.showstatsr);
    EXPECT_EQ(o.showstatsparam, std::vector<bool>(10, false));
    EXPECT_EQ(o.showf0percentile, std::vector<bool>(7, false));
    EXPECT_FALSE(o.shortversion);

    set_options_to_default(o, 1);
    EXPECT_EQ(o.zparam(), 0);
    EXPECT_EQ(o.showstatsparam.size(), 1u);
}
