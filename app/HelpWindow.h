#pragma once
// Temporary stand-in until the platform branch is merged.
#include <QWidget>
class HelpWindow : public QWidget
{
public:
    explicit HelpWindow(QWidget* parent = nullptr) : QWidget(parent) {}
    void showContents() { show(); }
    void showSearch() { show(); }
};
