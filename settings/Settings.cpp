#include "settings/Settings.h"

#include <QCoreApplication>
#include <QTimer>
#include <QtDebug>

#include <utility>

struct Settings::Report
{
    std::function<void(const QString&)> show;
    QString pending;

    void showPending()
    {
        const QString text = std::exchange(pending, QString());
        if (text.isEmpty())
            return;
        if (show)
            show(text);
        else
            qWarning().noquote() << text;
    }
};

Settings::Settings(QString filePath) : m_filePath(std::move(filePath)), m_report(std::make_shared<Report>())
{
}

SettingsStore Settings::open() const
{
    return SettingsStore(m_filePath, [report = m_report](const QString& text) {
        report->pending = text;
        if (QCoreApplication::instance())
            QTimer::singleShot(0, QCoreApplication::instance(), [report] { report->showPending(); });
        else
            report->showPending();
    });
}

void Settings::reportFailuresTo(std::function<void(const QString& text)> show) const
{
    m_report->show = std::move(show);
}

void Settings::showPendingReport() const
{
    m_report->showPending();
}
