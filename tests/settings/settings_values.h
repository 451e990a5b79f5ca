// Option and advanced-settings values that differ from the defaults in every field, and
// field-by-field comparisons, for the round-trip tests of the settings files.
#pragma once

#include "settings/advanced_settings.h"
#include "settings/options.h"

#include <gtest/gtest.h>

namespace gravon::testing {

inline toptions changed_options() {
    toptions o;
    o.defaultf0target = 1; // not stored: loading copies the current target here
    o.defaultleveltarget = 2;
    o.f0target = 261.5;
    o.leveltarget = 83.25;
    o.showtarget = true;
    o.targets = {{61.5, 98.0}, {90.0, 440.0}, {75.0, 330.5}};
    o.voicelike = false;
    o.keyboardnpartials = 12;
    o.keyboardslope = -3.5;
    o.keyboardlevel = -7.75;
    o.noisespectrum = 1;
    o.noiselevel = -33.0;
    o.softnoiseonset = false;
    o.lockaspectratio = false;
    o.showlegend = false;
    o.showblackborder = true;
    o.showoutline = false;
    o.groupshare = 75;
    o.readingpassage =
        "Der Nordwind und die Sonne stritten sich,\nwer von ihnen der Stärkere wäre.";
    o.guided = {
        .startnote = 48, .stepsize = 2, .tonetime = 2, .phonationtime = 0.8, .steplimit = 12};
    o.showblob = {false, true};
    o.showspectrum = {true, false};
    o.shownoise = {false, true};
    o.showstatsarea = false;
    o.showstatstakentime = false;
    o.showstatsrecordedtime = false;
    o.showstatsavgf0 = false;
    o.showstatsf0median = false;
    o.showstatsf0mode = false;
    o.showstatsminf0 = false;
    o.showstatsmaxf0 = false;
    o.showstatsf0range = false;
    o.showstatssplrange = true;
    o.showstatsf0asfreqs = false;
    o.showstatsf0assemitones = true;
    o.showstatsf0asnotes = true;
    o.showstatsleq = false;
    o.showstatsminspl = false;
    o.showstatsmaxspl = false;
    o.showstatsdistance = false;
    o.showstatsactualdistance = true;
    o.showstatsm = true;
    o.showstatsk = true;
    o.showstatsr = true;
    o.showf0percentile = {true, false, true, false, false, false, true};
    o.showSPLpercentile = {false, true, true, false, true, false, false};
    o.showstatsparam = {true, false, false, true, false, false, false, true, true, false};
    o.shortversion = true;
    o.setzparam(5, 8);
    return o;
}

inline void expect_same_options(const toptions& a, const toptions& b) {
    EXPECT_EQ(a.f0target, b.f0target);
    EXPECT_EQ(a.leveltarget, b.leveltarget);
    EXPECT_EQ(a.showtarget, b.showtarget);
    ASSERT_EQ(a.targets.size(), b.targets.size());
    for (std::size_t i = 0; i < a.targets.size(); ++i) {
        EXPECT_EQ(a.targets[i].f0, b.targets[i].f0) << i;
        EXPECT_EQ(a.targets[i].level, b.targets[i].level) << i;
    }
    EXPECT_EQ(a.voicelike, b.voicelike);
    EXPECT_EQ(a.keyboardnpartials, b.keyboardnpartials);
    EXPECT_EQ(a.keyboardslope, b.keyboardslope);
    EXPECT_EQ(a.keyboardlevel, b.keyboardlevel);
    EXPECT_EQ(a.noisespectrum, b.noisespectrum);
    EXPECT_EQ(a.noiselevel, b.noiselevel);
    EXPECT_EQ(a.softnoiseonset, b.softnoiseonset);
    EXPECT_EQ(a.lockaspectratio, b.lockaspectratio);
    EXPECT_EQ(a.zparam(), b.zparam());
    EXPECT_EQ(a.showlegend, b.showlegend);
    EXPECT_EQ(a.showblackborder, b.showblackborder);
    EXPECT_EQ(a.showoutline, b.showoutline);
    EXPECT_EQ(a.groupshare, b.groupshare);
    EXPECT_EQ(a.readingpassage, b.readingpassage);
    EXPECT_EQ(guided_settings_text(a.guided), guided_settings_text(b.guided));
    EXPECT_EQ(a.showblob, b.showblob);
    EXPECT_EQ(a.showspectrum, b.showspectrum);
    EXPECT_EQ(a.shownoise, b.shownoise);
    EXPECT_EQ(a.showstatsarea, b.showstatsarea);
    EXPECT_EQ(a.showstatstakentime, b.showstatstakentime);
    EXPECT_EQ(a.showstatsrecordedtime, b.showstatsrecordedtime);
    EXPECT_EQ(a.showstatsavgf0, b.showstatsavgf0);
    EXPECT_EQ(a.showstatsf0median, b.showstatsf0median);
    EXPECT_EQ(a.showstatsf0mode, b.showstatsf0mode);
    EXPECT_EQ(a.showstatsminf0, b.showstatsminf0);
    EXPECT_EQ(a.showstatsmaxf0, b.showstatsmaxf0);
    EXPECT_EQ(a.showstatsf0range, b.showstatsf0range);
    EXPECT_EQ(a.showstatssplrange, b.showstatssplrange);
    EXPECT_EQ(a.showstatsf0asfreqs, b.showstatsf0asfreqs);
    EXPECT_EQ(a.showstatsf0assemitones, b.showstatsf0assemitones);
    EXPECT_EQ(a.showstatsf0asnotes, b.showstatsf0asnotes);
    EXPECT_EQ(a.showstatsleq, b.showstatsleq);
    EXPECT_EQ(a.showstatsminspl, b.showstatsminspl);
    EXPECT_EQ(a.showstatsmaxspl, b.showstatsmaxspl);
    EXPECT_EQ(a.showstatsdistance, b.showstatsdistance);
    EXPECT_EQ(a.showstatsactualdistance, b.showstatsactualdistance);
    EXPECT_EQ(a.showstatsm, b.showstatsm);
    EXPECT_EQ(a.showstatsk, b.showstatsk);
    EXPECT_EQ(a.showstatsr, b.showstatsr);
    EXPECT_EQ(a.showf0percentile, b.showf0percentile);
    EXPECT_EQ(a.showSPLpercentile, b.showSPLpercentile);
    EXPECT_EQ(a.showstatsparam, b.showstatsparam);
    EXPECT_EQ(a.shortversion, b.shortversion);
}

inline tadvancedsettings changed_advanced() {
    tadvancedsettings a;
    a.lolevel = 30.5;
    a.hilevel = 110.25;
    a.lokey = 30;
    a.nkeys = 60;
    a.timethreshold = 0.08;
    a.includeadjacentbins = false;
    a.adjacentinclusionfactor = 0.5;
    a.hideisolatedbins = false;
    a.binningmethod = 0;
    a.nsigdig = 6;
    a.dbformat = "0.00";
    a.secformat = "0.000";
    a.lof0limit = 70.0;
    a.hif0limit = 1500.0;
    a.fs = 48000.0;
    a.fftwindow = 2;
    a.hpfreq = 60.0;
    a.fftbw = 40.0;
    a.minsnr = 12.0;
    a.maxneglevelspeed = 110.0;
    a.maxposlevelspeed = 220.0;
    a.maxf0speed = 6.0;
    a.minhnr = 4.0;
    a.minrelpartiallevel = -25.0;
    a.subharmonicguard = false;
    a.minsubharmonicratio = -12.5;
    a.lfblockthreshold = -8.0;
    a.hfblockthreshold = 13.0;
    a.maxhfblocklevel = 65.0;
    a.noisequantile = 0.3;
    a.noiselo = {20.0, 22.0};
    a.noisehi = {45.0, 47.0};
    a.holdnoisemeasurementtime = 0.2;
    a.keyboardblock = false;
    a.leftblockright = true;
    a.rightblockleft = true;
    a.leftblockrightthreshold = 6.0;
    a.rightblockleftthreshold = 7.0;
    a.calibrationmethod = {2, 3};
    a.calibratorspl = 114.0;
    a.fstandardactualdistance = {0.2, 0.25};
    a.calibratoroverloadlimit = 130.0;
    a.calibrationrecalculate = false;
    a.calibrationexpirationdays = 10.0;
    a.savesmpchannel[smHNR][1] = true;
    a.savesmpchannel[smAudio][0] = false;
    a.savewavchannel[smDebug][1] = true;
    a.savekavellchannel[smCrestlevel][0] = false;
    a.savekavellchannel[smMaxpartialno][1] = true;
    a.amplifysmpaudio = false;
    a.amplifywavaudio = false;
    a.amplifykavellaudio = false;
    a.savestdpgchannos = 2;
    a.displayparams[3] = {"Noise", -5, 35, true, "dB"};
    a.displayparams.push_back({"Extra", 1, 2, false, "u"});
    a.stdpgparams[8] = {"Other", 6};
    a.stdpgparams.push_back({"New", 4});
    a.saveoptionsonexit = false;
    a.saveadvancedsettingsonexit = true;
    a.noiseplayleft = false;
    a.noiseplayright = false;
    a.keyboardplayleft = false;
    a.keyboardplayright = false;
    a.calibrationtoneplayleft = false;
    a.calibrationtoneplayright = true;
    // Devices that the tests' device lists have.
    a.playdevice = "Headphones";
    a.calibrationdevice = "Speakers";
    a.keyboarddevice = "HDMI";
    a.recorddevice = "USB mic";
    a.use24bits = false;
    a.locationid = "Room 12";
    return a;
}

inline void expect_same_advanced(const tadvancedsettings& a, const tadvancedsettings& b) {
    EXPECT_EQ(a.lolevel, b.lolevel);
    EXPECT_EQ(a.hilevel, b.hilevel);
    EXPECT_EQ(a.lokey, b.lokey);
    EXPECT_EQ(a.nkeys, b.nkeys);
    EXPECT_EQ(a.timethreshold, b.timethreshold);
    EXPECT_EQ(a.includeadjacentbins, b.includeadjacentbins);
    EXPECT_EQ(a.adjacentinclusionfactor, b.adjacentinclusionfactor);
    EXPECT_EQ(a.hideisolatedbins, b.hideisolatedbins);
    EXPECT_EQ(a.binningmethod, b.binningmethod);
    EXPECT_EQ(a.nsigdig, b.nsigdig);
    EXPECT_EQ(a.dbformat, b.dbformat);
    EXPECT_EQ(a.secformat, b.secformat);
    EXPECT_EQ(a.lof0limit, b.lof0limit);
    EXPECT_EQ(a.hif0limit, b.hif0limit);
    EXPECT_EQ(a.fs, b.fs);
    EXPECT_EQ(a.fftwindow, b.fftwindow);
    EXPECT_EQ(a.hpfreq, b.hpfreq);
    EXPECT_EQ(a.fftbw, b.fftbw);
    EXPECT_EQ(a.minsnr, b.minsnr);
    EXPECT_EQ(a.maxneglevelspeed, b.maxneglevelspeed);
    EXPECT_EQ(a.maxposlevelspeed, b.maxposlevelspeed);
    EXPECT_EQ(a.maxf0speed, b.maxf0speed);
    EXPECT_EQ(a.minhnr, b.minhnr);
    EXPECT_EQ(a.minrelpartiallevel, b.minrelpartiallevel);
    EXPECT_EQ(a.subharmonicguard, b.subharmonicguard);
    EXPECT_EQ(a.minsubharmonicratio, b.minsubharmonicratio);
    EXPECT_EQ(a.lfblockthreshold, b.lfblockthreshold);
    EXPECT_EQ(a.hfblockthreshold, b.hfblockthreshold);
    EXPECT_EQ(a.maxhfblocklevel, b.maxhfblocklevel);
    EXPECT_EQ(a.noisequantile, b.noisequantile);
    EXPECT_EQ(a.noiselo, b.noiselo);
    EXPECT_EQ(a.noisehi, b.noisehi);
    EXPECT_EQ(a.holdnoisemeasurementtime, b.holdnoisemeasurementtime);
    EXPECT_EQ(a.keyboardblock, b.keyboardblock);
    EXPECT_EQ(a.leftblockright, b.leftblockright);
    EXPECT_EQ(a.rightblockleft, b.rightblockleft);
    EXPECT_EQ(a.leftblockrightthreshold, b.leftblockrightthreshold);
    EXPECT_EQ(a.rightblockleftthreshold, b.rightblockleftthreshold);
    EXPECT_EQ(a.calibrationmethod, b.calibrationmethod);
    EXPECT_EQ(a.calibratorspl, b.calibratorspl);
    EXPECT_EQ(a.fstandardactualdistance, b.fstandardactualdistance);
    EXPECT_EQ(a.calibratoroverloadlimit, b.calibratoroverloadlimit);
    EXPECT_EQ(a.calibrationrecalculate, b.calibrationrecalculate);
    EXPECT_EQ(a.calibrationexpirationdays, b.calibrationexpirationdays);
    EXPECT_EQ(a.savesmpchannel, b.savesmpchannel);
    EXPECT_EQ(a.savewavchannel, b.savewavchannel);
    EXPECT_EQ(a.savekavellchannel, b.savekavellchannel);
    EXPECT_EQ(a.amplifysmpaudio, b.amplifysmpaudio);
    EXPECT_EQ(a.amplifywavaudio, b.amplifywavaudio);
    EXPECT_EQ(a.amplifykavellaudio, b.amplifykavellaudio);
    EXPECT_EQ(a.savestdpgchannos, b.savestdpgchannos);
    ASSERT_EQ(a.displayparams.size(), b.displayparams.size());
    for (std::size_t i = 0; i < a.displayparams.size(); ++i) {
        EXPECT_EQ(a.displayparams[i].name, b.displayparams[i].name) << i;
        EXPECT_EQ(a.displayparams[i].axisunit, b.displayparams[i].axisunit) << i;
        EXPECT_EQ(a.displayparams[i].min, b.displayparams[i].min) << i;
        EXPECT_EQ(a.displayparams[i].max, b.displayparams[i].max) << i;
        EXPECT_EQ(a.displayparams[i].logarithmic, b.displayparams[i].logarithmic) << i;
    }
    ASSERT_EQ(a.stdpgparams.size(), b.stdpgparams.size());
    for (std::size_t i = 0; i < a.stdpgparams.size(); ++i) {
        EXPECT_EQ(a.stdpgparams[i].name, b.stdpgparams[i].name) << i;
        EXPECT_EQ(a.stdpgparams[i].displaymapping, b.stdpgparams[i].displaymapping) << i;
    }
    EXPECT_EQ(a.saveoptionsonexit, b.saveoptionsonexit);
    EXPECT_EQ(a.saveadvancedsettingsonexit, b.saveadvancedsettingsonexit);
    EXPECT_EQ(a.noiseplayleft, b.noiseplayleft);
    EXPECT_EQ(a.noiseplayright, b.noiseplayright);
    EXPECT_EQ(a.keyboardplayleft, b.keyboardplayleft);
    EXPECT_EQ(a.keyboardplayright, b.keyboardplayright);
    EXPECT_EQ(a.calibrationtoneplayleft, b.calibrationtoneplayleft);
    EXPECT_EQ(a.calibrationtoneplayright, b.calibrationtoneplayright);
    EXPECT_EQ(a.playdevice, b.playdevice);
    EXPECT_EQ(a.calibrationdevice, b.calibrationdevice);
    EXPECT_EQ(a.keyboarddevice, b.keyboarddevice);
    EXPECT_EQ(a.recorddevice, b.recorddevice);
    EXPECT_EQ(a.use24bits, b.use24bits);
    EXPECT_EQ(a.locationid, b.locationid);
}

} // namespace gravon::testing
