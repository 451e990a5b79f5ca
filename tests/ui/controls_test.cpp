// The keyboard and axis controls: what the mouse raises, what a pressed key looks like, the
// axis' tick lines and the limits dialog.
#include "ui/axis_widget.h"
#include "ui/keyboard_widget.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace gravon {
namespace {

TEST(KeyboardControl, PressSlideAndReleaseRaiseNotes) {
    TKeyBoard kb;
    kb.model().setLoKey(24);
    kb.model().setnKeys(72);
    kb.resize(720, 60);
    kb.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&kb));
    QSignalSpy on(&kb, &TKeyBoard::noteOn), off(&kb, &TKeyBoard::noteOff);
    QTest::mouseClick(&kb, Qt::RightButton, Qt::NoModifier, QPoint(5, 10));
    EXPECT_EQ(on.count(), 0);
    EXPECT_EQ(off.count(), 0);
    QTest::mousePress(&kb, Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
    QTest::mouseMove(&kb, QPoint(25, 10));
    QTest::mouseRelease(&kb, Qt::LeftButton, Qt::NoModifier, QPoint(25, 10));
    ASSERT_GE(on.count(), 2);
    EXPECT_EQ(on.first().at(0).toInt(), 24);
    EXPECT_EQ(on.last().at(0).toInt(), 26);
    ASSERT_EQ(off.count(), 1);
    EXPECT_EQ(off.first().at(0).toInt(), 26);
}

TEST(KeyboardControl, PressedKeyIsShaded) {
    TKeyBoardModel m;
    m.setSize(720, 60);
    m.setLoKey(24);
    m.setnKeys(72);
    // F1 (29) follows E1, a white key: its left part is shaded light grey when pressed.
    const trect r = m.keyrect(29 - 24);
    auto pixel = [&] {
        QImage img(720, 60, QImage::Format_RGB32);
        QPainter p(&img);
        paint_keyboard(p, m);
        p.end();
        return img.pixelColor(r.left + 1, 50);
    };
    EXPECT_EQ(pixel(), QColor(Qt::white));
    m.set_keydown(29, true);
    EXPECT_EQ(pixel(), QColor(192, 192, 192));
    m.ShowKeyPress = false;
    EXPECT_EQ(pixel(), QColor(Qt::white));
}

TEST(AxisControl, TickLinesAtTheTickPixels) {
    TAxisModel a;
    a.setSize(50, 300);
    a.setTickSpaceAim(60);
    a.set_hilovalues(120, 20);
    QImage img(50, 300, QImage::Format_RGB32);
    QPainter p(&img);
    paint_axis(p, a, axis_font(), Qt::white);
    p.end();
    const int y = a.value_to_pixel(60);
    EXPECT_EQ(img.pixelColor(49, y), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(45, y), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(44, y), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(49, y + 3), QColor(Qt::white));
}

TEST(AxisControl, LimitsDialogChecksAndAppliesInOrder) {
    TAxisModel a;
    a.set_hilovalues(1, 0);
    a.AllowLogarithmicChange = true;
    TAxisLimitForm d(a);
    EXPECT_TRUE(d.okbutton->isEnabled());
    d.lowedit->setText("5");
    EXPECT_FALSE(d.okbutton->isEnabled()); // high not above low
    d.highedit->setText("x");
    EXPECT_FALSE(d.okbutton->isEnabled());
    d.highedit->setText("50");
    d.lowedit->setText("0");
    d.logcheck->setChecked(true);
    EXPECT_FALSE(d.okbutton->isEnabled()); // log needs both > 0
    d.lowedit->setText("0.5");
    EXPECT_TRUE(d.okbutton->isEnabled());
    // Logarithmic: the ends first, then the scale, so that the old low end 0 never counts.
    d.apply(a);
    EXPECT_TRUE(a.Logarithmic());
    EXPECT_DOUBLE_EQ(a.LoValue(), 0.5);
    EXPECT_DOUBLE_EQ(a.HiValue(), 50);
    // Back to linear: the scale first, then the ends.
    TAxisLimitForm back(a);
    back.logcheck->setChecked(false);
    back.lowedit->setText("-10");
    back.apply(a);
    EXPECT_FALSE(a.Logarithmic());
    EXPECT_DOUBLE_EQ(a.LoValue(), -10);
}

} // namespace
} // namespace gravon
