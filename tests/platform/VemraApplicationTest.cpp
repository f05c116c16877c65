#include "platform/VemraApplication.h"
#include "platform/Desktop.h"
#include "platform/GeneralError.h"
#include "support/GuiApp.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

/// Records the boxes; everything else is unused here.
class RecordingDesktop final : public Desktop
{
public:
    struct Box
    {
        BoxKind kind;
        QString text;
        BoxButtons buttons;
    };
    QList<Box> boxes;

    BoxAnswer messageBox(BoxKind kind, const QString& text, BoxButtons buttons, QWidget*) override
    {
        boxes.append({kind, text, buttons});
        return BoxAnswer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&, int, QWidget*) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileDialogRequest&, QWidget*) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileDialogRequest&, QWidget*) override { return std::nullopt; }
    bool printDialog(QPrinter&, QWidget*, const PrintDialogOptions&) override { return false; }
    bool printerSetup(QPrinter&, QWidget*) override { return false; }
    std::optional<QColor> colorDialog(const QColor&, QWidget*) override { return std::nullopt; }
    std::optional<FontChoice> fontDialog(const FontDialogRequest&, QWidget*) override { return std::nullopt; }
    void beginBusy() override {}
    void endBusy() override {}
    void suspendBusy() override {}
    void resumeBusy() override {}
    void endApplication() override {}
    void minimizeApplication() override {}
};

class Thrower final : public QObject
{
public:
    std::function<void()> onEvent;
    int events = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++events;
        onEvent();
        return true;
    }
};

class VemraApplicationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app = qobject_cast<VemraApplication*>(&GuiApp());
        ASSERT_NE(app, nullptr);
        app->setDesktop(&desktop);
    }
    void TearDown() override
    {
        if (app)
            app->setDesktop(nullptr);
    }

    VemraApplication* app = nullptr;
    RecordingDesktop desktop;
};

TEST_F(VemraApplicationTest, AnUncaughtFailureIsShownWithItsOwnMessage)
{
    Thrower thrower;
    thrower.onEvent = [] { throw std::runtime_error("Cannot open file /tmp/x.SQL"); };
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &event));
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("Cannot open file /tmp/x.SQL"));
}

TEST_F(VemraApplicationTest, TheProgramKeepsRunningAfterAFailingSlot)
{
    int ticks = 0;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 1)
            throw std::invalid_argument("'abc' is not a valid integer value");
        if (ticks == 3)
            QCoreApplication::exit(0);
    });
    timer.start();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(ticks, 3);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("'abc' is not a valid integer value"));
}

TEST_F(VemraApplicationTest, FailuresOfAnyTypeAreCaught)
{
    Thrower thrower;
    thrower.onEvent = [] { throw 42; };
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);
    thrower.onEvent = [] { throw std::runtime_error(""); };
    QCoreApplication::sendEvent(&thrower, &event);
    ASSERT_EQ(desktop.boxes.size(), 2);
    EXPECT_EQ(desktop.boxes[0].text, UnknownErrorText());
    EXPECT_EQ(desktop.boxes[1].text, UnknownErrorText());
}

TEST_F(VemraApplicationTest, WithoutADesktopTheFailureIsOnlyLogged)
{
    app->setDesktop(nullptr);
    Thrower thrower;
    thrower.onEvent = [] { throw std::runtime_error("nobody to tell"); };
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);
    EXPECT_EQ(thrower.events, 1);
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

TEST(GeneralError, ShowsTheMessageAsUtf8InAnErrorBoxWithOk)
{
    RecordingDesktop desktop;
    ShowGeneralError(desktop, std::runtime_error("Datei \xc3\xa4 fehlt"));
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("Datei ä fehlt"));
}

TEST(GeneralError, AGuardedHandlerShowsItsFailureAndEndsThere)
{
    RecordingDesktop desktop;
    int after = 0;
    EXPECT_TRUE(RunGuarded(desktop, [&] { ++after; }));
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_FALSE(RunGuarded(desktop, [&] {
        throw std::runtime_error("Failed to set data for 'X'");
        ++after;
    }));
    EXPECT_FALSE(RunGuarded(desktop, [] { throw 42; }));
    EXPECT_EQ(after, 1);
    ASSERT_EQ(desktop.boxes.size(), 2);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("Failed to set data for 'X'"));
    EXPECT_EQ(desktop.boxes[1].text, UnknownErrorText());
    EXPECT_EQ(desktop.boxes[1].kind, BoxKind::Error);
}

} // namespace
