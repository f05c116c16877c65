#pragma once

#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "platform/VemraApplication.h"
#include "support/GuiTest.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

/// The whole program as start-up builds it, on the scripted desktop, with its own home.
class ProgramTest : public GuiTest
{
protected:
    void SetUp() override
    {
        application = qobject_cast<VemraApplication*>(&app);
        ASSERT_NE(application, nullptr);
        application->setDesktop(&desktop);
    }
    void TearDown() override
    {
        startup.reset();
        application->setDesktop(nullptr);
    }

    /// Runs f as an event of the application's loop, the way a user's command arrives: a failure
    /// it throws goes where any handler's would.
    void fromEventLoop(const std::function<void()>& f)
    {
        bool started = false;
        QTimer::singleShot(0, &app, [&] {
            started = true;
            f();
        });
        while (!started)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    void start()
    {
        startup = std::make_unique<Startup>(ctx);
        fromEventLoop([&] { startup->login().show(); });
    }

    void logIntoSample()
    {
        TFRM_Login& login = startup->login();
        login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
        login.EDT_UserName->setText(QStringLiteral("scott"));
        login.EDT_Password->setText(QStringLiteral("tiger"));
        QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
    }

    TFRM_QueryTool& main() const { return startup->queryTool(); }

    VemraApplication* application = nullptr;
    std::unique_ptr<Startup> startup;
};
