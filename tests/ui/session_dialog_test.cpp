// The session details dialog gives back what it was given, and the take's start owns the date
// and time when it is offered at Record.
#include "ui/session_dialog.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace gravon {
namespace {

TEST(SessionDialog, GivesBackTheRecordItWasGivenAndTheTakeOwnsItsDate) {
    tsessionrecord r;
    r.patient = "P-17";
    r.name = "Zoë Łukasińska";
    r.born = "1980-04-23";
    r.sex = "Intersex"; // not one of the list's items: kept as typed
    r.clinician = "Dr. Berg";
    r.date = "2026-12-09 14:30";
    r.task = "Speech profile";
    r.notes = "first line\nsecond line";
    r.protocol = "Guided profile: start A3, semitone steps, tone 1.5 s, 0.5 s soft and loud, 20 s "
                 "a step; reached E2 to C5 in 31 steps, 312 s";
    TSessionDialog d;
    d.set_record(r, false);
    EXPECT_EQ(d.record(), r);
    auto* date = d.findChild<QLineEdit*>("session_date");
    ASSERT_NE(date, nullptr);
    EXPECT_FALSE(date->isReadOnly());
    d.set_record(r, true);
    EXPECT_TRUE(date->isReadOnly());
    d.findChild<QPlainTextEdit*>("session_notes")->setPlainText("  changed  ");
    EXPECT_EQ(d.record().notes, "changed");
}

} // namespace
} // namespace gravon
