#pragma once

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

/// Points HOME, the XDG folders and the driver manager's ODBCINI at a fresh temporary folder, so
/// that the settings store, the alias file and the Sample database of a test are its own.
class TestHome final
{
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString configFolder() const;
    QString dataFolder() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_savedHome;
};

/// Base fixture: every test starts in its own empty home.
class IsolatedTest : public ::testing::Test
{
protected:
    TestHome home;
};
