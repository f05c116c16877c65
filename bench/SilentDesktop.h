#pragma once

#include "platform/Desktop.h"

#include <QString>

#include <optional>

/// A desktop for benchmarks: every box is answered OK, every dialog cancelled, except an open
/// dialog given a path to answer.
class SilentDesktop final : public Desktop
{
public:
    BoxAnswer messageBox(BoxKind, const QString&, BoxButtons, QWidget*) override { return BoxAnswer::Ok; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&, int, QWidget*) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileDialogRequest&, QWidget*) override { return openAnswer; }
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

    std::optional<QString> openAnswer;
};
