#pragma once

#include "platform/Desktop.h"

#include <QList>
#include <QStringList>

#include <functional>

/// A desktop for the printing tests: records every message box, answers them with Ok (or what
/// was queued), and lets a test stand in for the print and printer-setup dialogs.
class LocalDesktop final : public Desktop
{
public:
    struct Box
    {
        BoxKind kind;
        QString text;
        BoxButtons buttons;
    };

    QList<Box> boxes;
    QList<BoxAnswer> answers;
    std::function<bool(QPrinter&)> onPrintDialog = [](QPrinter&) { return true; };
    std::function<bool(QPrinter&)> onPrinterSetup = [](QPrinter&) { return true; };
    int printDialogs = 0;
    int printerSetups = 0;
    int busy = 0;
    int suspended = 0;

    BoxAnswer messageBox(BoxKind kind, const QString& text, BoxButtons buttons, QWidget* = nullptr) override
    {
        boxes.append({kind, text, buttons});
        return answers.isEmpty() ? BoxAnswer::Ok : answers.takeFirst();
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString& initial, int,
                                    QWidget* = nullptr) override
    {
        return initial;
    }
    std::optional<QString> openFileName(const FileDialogRequest&, QWidget* = nullptr) override { return {}; }
    std::optional<QString> saveFileName(const FileDialogRequest&, QWidget* = nullptr) override { return {}; }
    bool printDialog(QPrinter& printer, QWidget* = nullptr) override
    {
        ++printDialogs;
        return onPrintDialog(printer);
    }
    bool printerSetup(QPrinter& printer, QWidget* = nullptr) override
    {
        ++printerSetups;
        return onPrinterSetup(printer);
    }
    std::optional<QColor> colorDialog(const QColor&, QWidget* = nullptr) override { return {}; }
    std::optional<FontChoice> fontDialog(const FontDialogRequest&, QWidget* = nullptr) override { return {}; }
    void beginBusy() override { ++busy; }
    void endBusy() override { --busy; }
    void suspendBusy() override { ++suspended; }
    void resumeBusy() override { --suspended; }
    void endApplication() override {}
    void minimizeApplication() override {}
};
