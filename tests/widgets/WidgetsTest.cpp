// The flat controls: the gauge's text appears only once progress is known, the spin edit
// steps without typing, and the start button's animation runs only while asked.
#include "support/TestSupport.h"
#include "widgets/AfStartButton.h"
#include "widgets/FlatGauge.h"
#include "widgets/SpinEdit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(WidgetsTest, GaugeShowsItsTextOnlyOnceProgressIsKnown) {
    TFlatGauge gauge;
    EXPECT_FALSE(gauge.ProgressKnown());
    EXPECT_EQ(gauge.Text(), "");
    gauge.SetProgress(0);
    EXPECT_EQ(gauge.Text(), "0%");
    gauge.SetProgress(150);
    EXPECT_EQ(gauge.Progress(), 100);
    gauge.SetProgress(-3);
    EXPECT_EQ(gauge.Text(), "0%");
    gauge.SetProgress(42);
    // Painting at any value and size must not trip over the clip rectangles.
    gauge.resize(3, 3);
    gauge.grab();
    gauge.resize(200, 20);
    EXPECT_FALSE(gauge.grab().isNull());
    gauge.Reset();
    EXPECT_FALSE(gauge.ProgressKnown());
    EXPECT_EQ(gauge.Text(), "");
}

TEST(WidgetsTest, SpinEditStepsButRefusesTypingWhenAsked) {
    TSpinEdit spin;
    spin.setRange(0, 100);
    spin.setValue(95);
    spin.SetTypingEnabled(false);
    spin.show();
    QTest::keyClicks(&spin, "7");
    EXPECT_EQ(spin.value(), 95);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.value(), 96);
    spin.SetTypingEnabled(true);
    spin.selectAll();
    QTest::keyClicks(&spin, "7");
    EXPECT_EQ(spin.value(), 7);
}

TEST(WidgetsTest, StartButtonAnimatesOnlyWhileAskedAndClicks) {
    TAfStartButton button("&Start");
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    button.show();
    EXPECT_FALSE(button.Animated());
    button.SetAnimated(true);
    EXPECT_TRUE(button.Animated());
    // Each tick of its timer moves the frame on.
    ASSERT_TRUE(WaitUntil([&] { return button.Frame() != 0; }));
    EXPECT_FALSE(button.grab().isNull());
    button.SetAnimated(false);
    EXPECT_FALSE(button.Animated());
    EXPECT_EQ(button.Frame(), 0);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

} // namespace
