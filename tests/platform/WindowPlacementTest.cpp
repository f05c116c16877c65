#include "platform/WindowPlacement.h"

#include "support/GuiApp.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

class WindowPlacementTest : public ::testing::Test
{
protected:
    /// Applies the placement to a hidden window, shows it and waits until it is framed there.
    void showAt(const Placement& placement)
    {
        placer.apply(placement);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        settle();
    }
    /// Lets the framing and the window system's events come through.
    void settle() { QTest::qWait(150); }
    QRect available() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    QApplication& app = GuiApp();
    QWidget window;
    WindowPlacement placer{window};
};

TEST_F(WindowPlacementTest, ShowThenStoreIsTheIdentity)
{
    for (const Placement& placement :
         {Placement{{0, 0, 640, 480}, false}, Placement{{37, 52, 301, 203}, false}}) {
        window.hide();
        showAt(placement);
        ASSERT_FALSE(window.windowHandle()->frameMargins().isNull()) << "the platform draws frames";
        // What is stored is the frame, so the inside sits within it, not at the stored corner.
        EXPECT_EQ(window.frameGeometry(), placement.frame);
        EXPECT_EQ(placer.current(), placement);
    }
}

TEST_F(WindowPlacementTest, MaximisedWindowReportsTheNormalFrameItComesBackTo)
{
    const QRect normal(40, 30, 500, 300);
    showAt({normal, true});
    EXPECT_TRUE(window.isMaximized());
    EXPECT_EQ(placer.current(), (Placement{normal, true}));
    window.showNormal();
    settle();
    EXPECT_EQ(window.frameGeometry(), normal) << "a window opened maximised restores to the stored size";

    // Moved, then maximised by the user: the new normal frame is the one reported.
    WindowPlacement::SetFrame(window, {60, 70, 400, 250});
    settle();
    window.showMaximized();
    settle();
    EXPECT_EQ(placer.current(), (Placement{{60, 70, 400, 250}, true}));
}

TEST_F(WindowPlacementTest, MaximisedSizeReportedBeforeTheMaximisedStateIsNotTakenForTheNormalOne)
{
    // A window manager may resize the window to the screen a moment before it says "maximised".
    const QRect normal(40, 30, 500, 300);
    showAt({normal, false});
    WindowPlacement::SetFrame(window, available());
    settle();
    window.setWindowState(Qt::WindowMaximized);
    settle();
    EXPECT_EQ(placer.current(), (Placement{normal, true}));
}

TEST_F(WindowPlacementTest, MinimisedWindowReportsItsNormalFrame)
{
    const QRect normal(20, 25, 450, 320);
    showAt({normal, false});
    window.showMinimized();
    settle();
    EXPECT_EQ(placer.current(), (Placement{normal, false}));
}

TEST_F(WindowPlacementTest, StoredPlacementOffTheScreensComesBackOnOne)
{
    showAt({{20000, 15000, 640, 480}, false});
    const QRect frame = placer.current().frame;
    EXPECT_TRUE(frame.intersects(available())) << frame.x() << "," << frame.y();
    EXPECT_EQ(frame.size(), QSize(640, 480));
}

TEST_F(WindowPlacementTest, AFrameStoredOnALargerScreenComesBackWhollyOnThisOne)
{
    const QRect area = available();
    // Its corner on this screen, the rest where a larger screen used to be.
    showAt({{area.right() - 100, area.bottom() - 100, area.width() + 800, area.height() + 600}, false});
    const QRect frame = placer.current().frame;
    EXPECT_TRUE(area.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    EXPECT_EQ(frame.size(), area.size());
}

TEST_F(WindowPlacementTest, AWindowNotYetShownExpectsTheFrameOfAShownOne)
{
    showAt({{10, 10, 300, 200}, false});
    QWidget other;
    EXPECT_EQ(WindowPlacement::FrameMargins(other), window.windowHandle()->frameMargins());
    // A popup has no frame.
    QWidget popup(nullptr, Qt::Popup);
    EXPECT_TRUE(WindowPlacement::FrameMargins(popup).isNull());
}

} // namespace
