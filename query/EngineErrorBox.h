#pragma once

class Desktop;
class EngineError;
class QWidget;

/// Shows EngineErrorText in an error box with an OK button.
void ShowEngineError(Desktop& desktop, const EngineError& error, QWidget* parent = nullptr);
