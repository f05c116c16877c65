#include "support/ScriptedDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool AnswerFits(BoxAnswer answer, BoxButtons buttons)
{
    switch (buttons) {
    case BoxButtons::Ok:
        return answer == BoxAnswer::Ok;
    case BoxButtons::RetryCancel:
        return answer == BoxAnswer::Retry || answer == BoxAnswer::Cancel;
    case BoxButtons::Abort:
        return answer == BoxAnswer::Abort;
    case BoxButtons::YesNo:
        return answer == BoxAnswer::Yes || answer == BoxAnswer::No;
    case BoxButtons::YesNoCancel:
        return answer == BoxAnswer::Yes || answer == BoxAnswer::No || answer == BoxAnswer::Cancel;
    }
    return false;
}

std::string Std(const QString& text)
{
    return text.toStdString();
}

} // namespace

QString ToString(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Information:
        return QStringLiteral("Information");
    case BoxKind::Error:
        return QStringLiteral("Error");
    case BoxKind::Confirmation:
        return QStringLiteral("Confirmation");
    case BoxKind::Plain:
        return QStringLiteral("Plain");
    }
    return QStringLiteral("?");
}

QString ToString(BoxButtons buttons)
{
    switch (buttons) {
    case BoxButtons::Ok:
        return QStringLiteral("Ok");
    case BoxButtons::RetryCancel:
        return QStringLiteral("RetryCancel");
    case BoxButtons::Abort:
        return QStringLiteral("Abort");
    case BoxButtons::YesNo:
        return QStringLiteral("YesNo");
    case BoxButtons::YesNoCancel:
        return QStringLiteral("YesNoCancel");
    }
    return QStringLiteral("?");
}

QString ToString(BoxAnswer answer)
{
    switch (answer) {
    case BoxAnswer::Ok:
        return QStringLiteral("Ok");
    case BoxAnswer::Retry:
        return QStringLiteral("Retry");
    case BoxAnswer::Cancel:
        return QStringLiteral("Cancel");
    case BoxAnswer::Abort:
        return QStringLiteral("Abort");
    case BoxAnswer::Yes:
        return QStringLiteral("Yes");
    case BoxAnswer::No:
        return QStringLiteral("No");
    case BoxAnswer::Closed:
        return QStringLiteral("Closed");
    }
    return QStringLiteral("?");
}

ScriptedDesktop::~ScriptedDesktop()
{
    verify();
}

void ScriptedDesktop::expectBox(BoxKind kind, const QString& text, BoxAnswer answer)
{
    m_boxes.push_back({kind, text, answer});
}

void ScriptedDesktop::expectBox(BoxKind kind, BoxAnswer answer)
{
    m_boxes.push_back({kind, std::nullopt, answer});
}

void ScriptedDesktop::expectInput(std::optional<QString> value, const QString& prompt)
{
    m_inputs.push_back({std::move(value), prompt});
}

void ScriptedDesktop::expectOpenFile(std::optional<QString> path)
{
    m_openFiles.push_back(std::move(path));
}

void ScriptedDesktop::expectSaveFile(std::optional<QString> path)
{
    m_saveFiles.push_back(std::move(path));
}

void ScriptedDesktop::expectPrintDialog(bool accept, std::function<void(QPrinter&)> adjust)
{
    m_printDialogs.push_back({accept, std::move(adjust)});
}

void ScriptedDesktop::expectPrinterSetup(bool accept, std::function<void(QPrinter&)> adjust)
{
    m_printerSetups.push_back({accept, std::move(adjust)});
}

void ScriptedDesktop::expectColor(std::optional<QColor> color)
{
    m_colors.push_back(color);
}

void ScriptedDesktop::expectFont(std::optional<FontChoice> choice)
{
    m_fonts.push_back(std::move(choice));
}

void ScriptedDesktop::verify()
{
    for (const BoxExpectation& e : m_boxes)
        ADD_FAILURE() << "expected " << Std(ToString(e.kind)) << " box never shown: \""
                      << Std(e.text.value_or(QStringLiteral("<any text>"))) << "\"";
    for (const InputExpectation& e : m_inputs)
        ADD_FAILURE() << "expected input box never shown: prompt \"" << Std(e.prompt) << "\"";
    for (const auto& path : m_openFiles)
        ADD_FAILURE() << "expected open dialog never shown (answer "
                      << Std(path.value_or(QStringLiteral("cancel"))) << ")";
    for (const auto& path : m_saveFiles)
        ADD_FAILURE() << "expected save dialog never shown (answer "
                      << Std(path.value_or(QStringLiteral("cancel"))) << ")";
    if (!m_printDialogs.empty())
        ADD_FAILURE() << m_printDialogs.size() << " expected print dialog(s) never shown";
    if (!m_printerSetups.empty())
        ADD_FAILURE() << m_printerSetups.size() << " expected printer setup dialog(s) never shown";
    if (!m_colors.empty())
        ADD_FAILURE() << m_colors.size() << " expected colour dialog(s) never shown";
    if (!m_fonts.empty())
        ADD_FAILURE() << m_fonts.size() << " expected font dialog(s) never shown";
    EXPECT_EQ(busyDepth, 0) << "busy cursor not restored";
    EXPECT_EQ(suspendDepth, 0) << "busy cursor suspended and never resumed";
    m_boxes.clear();
    m_inputs.clear();
    m_openFiles.clear();
    m_saveFiles.clear();
    m_printDialogs.clear();
    m_printerSetups.clear();
    m_colors.clear();
    m_fonts.clear();
    busyDepth = 0;
    suspendDepth = 0;
}

BoxAnswer ScriptedDesktop::messageBox(BoxKind kind, const QString& text, BoxButtons buttons, QWidget*)
{
    boxes.push_back({kind, text, buttons, busyDepth});
    if (m_boxes.empty()) {
        ADD_FAILURE() << "unexpected " << Std(ToString(kind)) << " box: \"" << Std(text) << "\"";
        return BoxAnswer::Closed;
    }
    const BoxExpectation e = m_boxes.front();
    m_boxes.pop_front();
    EXPECT_EQ(Std(ToString(kind)), Std(ToString(e.kind))) << "box \"" << Std(text) << "\"";
    if (e.text) {
        EXPECT_EQ(Std(text), Std(*e.text));
    }
    if (e.answer != BoxAnswer::Closed && !AnswerFits(e.answer, buttons))
        ADD_FAILURE() << "scripted answer " << Std(ToString(e.answer)) << " is not a button of the "
                      << Std(ToString(buttons)) << " box \"" << Std(text) << "\"";
    return e.answer;
}

std::optional<QString> ScriptedDesktop::inputBox(const QString& caption, const QString& prompt,
                                                 const QString& initial, int maxLength, QWidget*)
{
    inputs.push_back({caption, prompt, initial, maxLength});
    if (m_inputs.empty()) {
        ADD_FAILURE() << "unexpected input box: \"" << Std(prompt) << "\"";
        return std::nullopt;
    }
    const InputExpectation e = m_inputs.front();
    m_inputs.pop_front();
    if (!e.prompt.isEmpty()) {
        EXPECT_EQ(Std(prompt), Std(e.prompt));
    }
    return e.value;
}

std::optional<QString> ScriptedDesktop::openFileName(const FileDialogRequest& request, QWidget*)
{
    openRequests.push_back(request);
    if (m_openFiles.empty()) {
        ADD_FAILURE() << "unexpected open dialog \"" << Std(request.title) << "\"";
        return std::nullopt;
    }
    auto path = m_openFiles.front();
    m_openFiles.pop_front();
    return path;
}

std::optional<QString> ScriptedDesktop::saveFileName(const FileDialogRequest& request, QWidget*)
{
    saveRequests.push_back(request);
    if (m_saveFiles.empty()) {
        ADD_FAILURE() << "unexpected save dialog \"" << Std(request.title) << "\"";
        return std::nullopt;
    }
    auto path = m_saveFiles.front();
    m_saveFiles.pop_front();
    return path;
}

bool ScriptedDesktop::printDialog(QPrinter& printer, QWidget*, const PrintDialogOptions& options)
{
    ++printDialogs;
    printDialogOptions.push_back(options);
    if (m_printDialogs.empty()) {
        ADD_FAILURE() << "unexpected print dialog";
        return false;
    }
    PrintExpectation e = std::move(m_printDialogs.front());
    m_printDialogs.pop_front();
    if (e.adjust)
        e.adjust(printer);
    return e.accept;
}

bool ScriptedDesktop::printerSetup(QPrinter& printer, QWidget*)
{
    ++printerSetups;
    if (m_printerSetups.empty()) {
        ADD_FAILURE() << "unexpected printer setup dialog";
        return false;
    }
    PrintExpectation e = std::move(m_printerSetups.front());
    m_printerSetups.pop_front();
    if (e.adjust)
        e.adjust(printer);
    return e.accept;
}

std::optional<QColor> ScriptedDesktop::colorDialog(const QColor& initial, QWidget*)
{
    colorRequests.push_back(initial);
    if (m_colors.empty()) {
        ADD_FAILURE() << "unexpected colour dialog";
        return std::nullopt;
    }
    auto color = m_colors.front();
    m_colors.pop_front();
    return color;
}

std::optional<FontChoice> ScriptedDesktop::fontDialog(const FontDialogRequest& request, QWidget*)
{
    fontRequests.push_back(request);
    if (m_fonts.empty()) {
        ADD_FAILURE() << "unexpected font dialog";
        return std::nullopt;
    }
    auto choice = m_fonts.front();
    m_fonts.pop_front();
    return choice;
}

void ScriptedDesktop::beginBusy()
{
    ++busyBegins;
    ++busyDepth;
    busyMaxDepth = std::max(busyMaxDepth, busyDepth);
}

void ScriptedDesktop::endBusy()
{
    if (busyDepth == 0) {
        ADD_FAILURE() << "endBusy without beginBusy";
        return;
    }
    --busyDepth;
}

void ScriptedDesktop::suspendBusy()
{
    ++suspendDepth;
}

void ScriptedDesktop::resumeBusy()
{
    if (suspendDepth == 0) {
        ADD_FAILURE() << "resumeBusy without suspendBusy";
        return;
    }
    --suspendDepth;
}

void ScriptedDesktop::endApplication()
{
    ended = true;
    ++endCount;
}

void ScriptedDesktop::minimizeApplication()
{
    ++minimizeCount;
}
