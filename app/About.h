#pragma once
// Temporary stand-in until the platform branch is merged.
#include <QDialog>
class TFRM_About : public QDialog
{
public:
    explicit TFRM_About(QWidget* parent = nullptr) : QDialog(parent) { setWindowTitle(QStringLiteral("About")); }
};
