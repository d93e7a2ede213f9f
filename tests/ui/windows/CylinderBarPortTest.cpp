// The archive run's view of a status bar drives the real bar.

#include "ui/windows/CylinderBarPort.h"
#include "../skin/StatusBars.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CountingBar : public CylinderBar {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        CylinderBar::paintEvent(event);
    }
};

} // namespace

TEST(CylinderBarEvents, PortDrivesTheBar)
{
    CountingBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    CylinderBarPort port(&bar);
    port.SetMax(1000);
    port.SetPosition(250);
    EXPECT_EQ(bar.Max(), 1000);
    EXPECT_EQ(bar.Percent(), 25);
    port.SetVisible(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.paints = 0;
    port.Refresh();  // paints at once, without the event loop
    EXPECT_EQ(bar.paints, 1);
    port.SetVisible(false);
    EXPECT_FALSE(bar.isVisible());
}

