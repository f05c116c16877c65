#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

/// The kinds of message box the program shows.
enum class BoxKind
{
    Information,
    Error,
    Confirmation,
    Plain,
};

/// The fixed button sets of the message boxes.
enum class BoxButtons
{
    Ok,
    RetryCancel,
    Abort,
    YesNo,
    YesNoCancel,
};

/// What the user answered; Closed when the box was dismissed without a button (Escape, title bar).
enum class BoxAnswer
{
    Ok,
    Retry,
    Cancel,
    Abort,
    Yes,
    No,
    Closed,
};

/// Options of an open or save file dialog.
struct FileDialogRequest
{
    QString title;
    QString folder;           ///< initial folder, ending in "/"
    QString fileName;         ///< file name offered again (the last chosen in this dialog)
    QString filter;           ///< description and pattern, e.g. "SQL files (*.SQL)|*.SQL"
    QString defaultExtension; ///< appended when the typed name has none, e.g. "SQL"
    bool confirmOverwrite = false;
};

/// Options of the font dialog.
struct FontDialogRequest
{
    QFont initial;
    QColor initialColor;
    bool effects = true;      ///< offer underline, strike-out and colour
    bool existingOnly = true; ///< only fonts that exist
};

/// Choices a print dialog offers besides the printer and the copies.
struct PrintDialogOptions
{
    bool printToFile = true;
    bool pageRange = true;
    bool selection = false;
};

struct FontChoice
{
    QFont font;
    QColor color;
};

/// Every user interaction that is not a form of our own: message boxes, input box, file, print,
/// printer-setup, colour and font dialogs, the busy cursor and ending the application.
/// Forms reach it through their constructor; tests pass a scripted one.
class Desktop
{
public:
    virtual ~Desktop() = default;

    /// Shows a modal message box; caption empty means the application's name.
    virtual BoxAnswer messageBox(BoxKind kind, const QString& text, BoxButtons buttons,
                                 QWidget* parent = nullptr) = 0;
    /// Modal input box; nullopt on Cancel.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& initial, int maxLength,
                                            QWidget* parent = nullptr) = 0;
    /// Full path of the chosen file, nullopt on cancel.
    virtual std::optional<QString> openFileName(const FileDialogRequest& request,
                                                QWidget* parent = nullptr) = 0;
    virtual std::optional<QString> saveFileName(const FileDialogRequest& request,
                                                QWidget* parent = nullptr) = 0;
    /// The platform's print dialog on the given printer; false when cancelled.
    virtual bool printDialog(QPrinter& printer, QWidget* parent = nullptr,
                             const PrintDialogOptions& options = {}) = 0;
    /// The platform's printer or page setup dialog; false when cancelled.
    virtual bool printerSetup(QPrinter& printer, QWidget* parent = nullptr) = 0;
    virtual std::optional<QColor> colorDialog(const QColor& initial, QWidget* parent = nullptr) = 0;
    virtual std::optional<FontChoice> fontDialog(const FontDialogRequest& request,
                                                 QWidget* parent = nullptr) = 0;

    /// Counted busy cursor: every begin is matched by one end (use BusyCursor).
    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;
    /// Temporarily shows the normal cursor (while a modal window or box is up) whatever the count.
    virtual void suspendBusy() = 0;
    virtual void resumeBusy() = 0;

    /// Ends the application: stops the message loop.
    virtual void endApplication() = 0;
    /// Minimises every window of the application.
    virtual void minimizeApplication() = 0;
};

/// The busy cursor for one scope: restored on every way out, exceptions included.
class BusyCursor final
{
public:
    explicit BusyCursor(Desktop& desktop) : m_desktop(desktop) { m_desktop.beginBusy(); }
    ~BusyCursor() { m_desktop.endBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Desktop& m_desktop;
};
