#pragma once

class QLabel;
class QWidget;
class StatusPanels;
struct AppContext;

/// The text the status bar shows while the session holds an open transaction.
inline constexpr const char* kTransactionOpenText = "Transaction open";

/// A panel at the right end of the bar that shows kTransactionOpenText while a transaction is
/// open and is hidden otherwise. Owned by the bar.
QLabel* AddTransactionPanel(StatusPanels& bar);

/// Before the session ends or changes: an open transaction is committed, rolled back or kept as
/// the user answers. True when the caller may go on; false when the user stays (or a commit
/// failed, which is shown), and the session is then as it was.
bool SettleOpenTransaction(AppContext& ctx, QWidget* parent);
