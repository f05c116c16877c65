#include "platform/DesktopMessageBox.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace {

QMessageBox::Icon IconOf(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Information:
        return QMessageBox::Information;
    case BoxKind::Error:
        return QMessageBox::Critical;
    case BoxKind::Confirmation:
        return QMessageBox::Question;
    case BoxKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

QList<QMessageBox::StandardButton> ButtonsOf(BoxButtons buttons)
{
    switch (buttons) {
    case BoxButtons::Ok:
        return {QMessageBox::Ok};
    case BoxButtons::RetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    case BoxButtons::Abort:
        return {QMessageBox::Abort};
    case BoxButtons::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case BoxButtons::YesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    }
    return {QMessageBox::Ok};
}

} // namespace

DesktopMessageBox::DesktopMessageBox(BoxKind kind, const QString& text, BoxButtons buttons,
                                     const QString& caption, QWidget* parent)
    : QMessageBox(parent)
{
    setObjectName(QStringLiteral("MessageBox"));
    setIcon(IconOf(kind));
    setWindowTitle(caption);
    // Texts come from the engine and from files too: never read them as markup.
    setTextFormat(Qt::PlainText);
    // A lone carriage return separates lines in the program's texts.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    setText(shown);
    const QList<StandardButton> set = ButtonsOf(buttons);
    for (const StandardButton button : set)
        addButton(button);
    setDefaultButton(set.front());
    m_hasCancel = set.contains(QMessageBox::Cancel);
    if (m_hasCancel)
        setEscapeButton(QMessageBox::Cancel);
}

BoxAnswer DesktopMessageBox::answer() const
{
    if (m_closed)
        return BoxAnswer::Closed;
    switch (standardButton(clickedButton())) {
    case QMessageBox::Ok:
        return BoxAnswer::Ok;
    case QMessageBox::Retry:
        return BoxAnswer::Retry;
    case QMessageBox::Cancel:
        return BoxAnswer::Cancel;
    case QMessageBox::Abort:
        return BoxAnswer::Abort;
    case QMessageBox::Yes:
        return BoxAnswer::Yes;
    case QMessageBox::No:
        return BoxAnswer::No;
    default:
        return BoxAnswer::Closed;
    }
}

void DesktopMessageBox::keyPressEvent(QKeyEvent* event)
{
    if (!m_hasCancel && event->matches(QKeySequence::Cancel)) {
        m_closed = true;
        reject();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void DesktopMessageBox::closeEvent(QCloseEvent* event)
{
    if (m_hasCancel) {
        QMessageBox::closeEvent(event);
        return;
    }
    // Without a Cancel button the box would otherwise refuse to close or answer for a button.
    m_closed = true;
    QDialog::closeEvent(event);
}

#include "moc_DesktopMessageBox.cpp"
