#pragma once

#include "platform/ApplicationMinimizer.h"
#include "platform/Desktop.h"

/// The desktop of the running program, with Qt's boxes and dialogs. Every modal box and dialog
/// shows the normal cursor while it is up, whatever the busy count.
class QtDesktop final : public Desktop
{
public:
    /// caption: the title of message boxes that name no window of their own.
    explicit QtDesktop(QString caption = QStringLiteral("VEMRA"));
    ~QtDesktop() override;

    BoxAnswer messageBox(BoxKind kind, const QString& text, BoxButtons buttons,
                         QWidget* parent = nullptr) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& initial,
                                    int maxLength, QWidget* parent = nullptr) override;
    std::optional<QString> openFileName(const FileDialogRequest& request, QWidget* parent = nullptr) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request, QWidget* parent = nullptr) override;
    bool printDialog(QPrinter& printer, QWidget* parent = nullptr,
                     const PrintDialogOptions& options = {}) override;
    bool printerSetup(QPrinter& printer, QWidget* parent = nullptr) override;
    std::optional<QColor> colorDialog(const QColor& initial, QWidget* parent = nullptr) override;
    std::optional<FontChoice> fontDialog(const FontDialogRequest& request,
                                         QWidget* parent = nullptr) override;

    void beginBusy() override;
    void endBusy() override;
    void suspendBusy() override;
    void resumeBusy() override;

    void endApplication() override;
    void minimizeApplication() override;

    QString caption() const { return m_caption; }
    /// True while the windows are down after minimizeApplication, until one comes back.
    bool applicationMinimized() const { return m_minimizer.isMinimized(); }
    int busyDepth() const { return m_busyDepth; }
    /// True while the busy cursor is what the user sees.
    bool busyCursorShown() const { return m_cursorPushed; }

private:
    std::optional<QString> fileName(const FileDialogRequest& request, bool save, QWidget* parent);
    void updateCursor();

    QString m_caption;
    ApplicationMinimizer m_minimizer;
    int m_busyDepth = 0;
    int m_suspendDepth = 0;
    bool m_cursorPushed = false;
};
