#pragma once

#include "platform/Desktop.h"

#include <QColor>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

/// A Desktop for tests: every box and dialog is answered from a script the test writes first,
/// and everything shown is recorded.
///
/// Strict: a box or dialog that no expectation is waiting for fails the test (ADD_FAILURE) and is
/// answered as if dismissed (BoxAnswer::Closed, nullopt, false). Expectations still queued at
/// verify() or at destruction fail the test too, as does an unbalanced busy cursor.
///
/// Each kind of interaction has its own queue, answered in order; the order between different
/// kinds is not checked.
///
///     ScriptedDesktop desktop;
///     desktop.expectBox(BoxKind::Confirmation, "Quit Application ?", BoxAnswer::Yes);
///     desktop.expectSaveFile(dir + "/query.SQL");
///     ... drive the form ...
///     EXPECT_TRUE(desktop.ended);
class ScriptedDesktop final : public Desktop
{
public:
    struct Box
    {
        BoxKind kind;
        QString text;
        BoxButtons buttons;
        int busyDepth; ///< busy cursor count while the box was up (suspensions not subtracted)
    };
    struct Input
    {
        QString caption;
        QString prompt;
        QString initial;
        int maxLength;
    };

    ScriptedDesktop() = default;
    ~ScriptedDesktop() override;
    ScriptedDesktop(const ScriptedDesktop&) = delete;
    ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

    // --- The script -------------------------------------------------------------------------
    /// The next message box must have this kind and exactly this text; it is answered with
    /// answer, which must be one of the box's buttons or BoxAnswer::Closed.
    void expectBox(BoxKind kind, const QString& text, BoxAnswer answer);
    /// The next message box must have this kind; any text.
    void expectBox(BoxKind kind, BoxAnswer answer);
    /// The next input box answers value (nullopt: Cancel). A non-empty prompt must match exactly.
    void expectInput(std::optional<QString> value, const QString& prompt = {});
    /// The next open or save dialog answers this full path (nullopt: cancelled).
    void expectOpenFile(std::optional<QString> path);
    void expectSaveFile(std::optional<QString> path);
    /// The next print or printer-setup dialog is accepted or cancelled; adjust, when given, runs
    /// on the printer first (as the user's choices in the dialog would).
    void expectPrintDialog(bool accept, std::function<void(QPrinter&)> adjust = {});
    void expectPrinterSetup(bool accept, std::function<void(QPrinter&)> adjust = {});
    void expectColor(std::optional<QColor> color);
    void expectFont(std::optional<FontChoice> choice);

    /// Fails the test for every expectation not yet used and for an unbalanced busy cursor,
    /// then forgets the unused expectations (so the destructor does not report them again).
    void verify();

    // --- What was shown ---------------------------------------------------------------------
    std::vector<Box> boxes;
    std::vector<Input> inputs;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<QColor> colorRequests;
    std::vector<FontDialogRequest> fontRequests;
    int printDialogs = 0;
    std::vector<PrintDialogOptions> printDialogOptions; ///< what each print dialog was asked to offer
    int printerSetups = 0;

    int busyDepth = 0; ///< current count of beginBusy() without endBusy()
    int busyMaxDepth = 0;
    int busyBegins = 0; ///< total number of beginBusy() calls
    int suspendDepth = 0;
    bool ended = false; ///< endApplication() was called (it never exits the process)
    int endCount = 0;
    int minimizeCount = 0;

    // --- Desktop ----------------------------------------------------------------------------
    BoxAnswer messageBox(BoxKind kind, const QString& text, BoxButtons buttons, QWidget* parent) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& initial,
                                    int maxLength, QWidget* parent) override;
    std::optional<QString> openFileName(const FileDialogRequest& request, QWidget* parent) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request, QWidget* parent) override;
    bool printDialog(QPrinter& printer, QWidget* parent, const PrintDialogOptions& options) override;
    bool printerSetup(QPrinter& printer, QWidget* parent) override;
    std::optional<QColor> colorDialog(const QColor& initial, QWidget* parent) override;
    std::optional<FontChoice> fontDialog(const FontDialogRequest& request, QWidget* parent) override;
    void beginBusy() override;
    void endBusy() override;
    void suspendBusy() override;
    void resumeBusy() override;
    void endApplication() override;
    void minimizeApplication() override;

private:
    struct BoxExpectation
    {
        BoxKind kind;
        std::optional<QString> text;
        BoxAnswer answer;
    };
    struct InputExpectation
    {
        std::optional<QString> value;
        QString prompt;
    };
    struct PrintExpectation
    {
        bool accept;
        std::function<void(QPrinter&)> adjust;
    };

    std::deque<BoxExpectation> m_boxes;
    std::deque<InputExpectation> m_inputs;
    std::deque<std::optional<QString>> m_openFiles;
    std::deque<std::optional<QString>> m_saveFiles;
    std::deque<PrintExpectation> m_printDialogs;
    std::deque<PrintExpectation> m_printerSetups;
    std::deque<std::optional<QColor>> m_colors;
    std::deque<std::optional<FontChoice>> m_fonts;
};

/// Readable names in failure messages.
QString ToString(BoxKind kind);
QString ToString(BoxButtons buttons);
QString ToString(BoxAnswer answer);
