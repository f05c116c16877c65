#pragma once

#include <QString>
#include <QStringList>

class Desktop;
class Query;
class QWidget;

/// Ask the user for each parameter and remember the values.
inline const QString kIntoParamList = QStringLiteral("Into ParamList");
/// Set each parameter from the remembered values, without asking.
inline const QString kFromParamList = QStringLiteral("From ParamList");

/// Fills the parameters of a query by position. With kIntoParamList every parameter is asked for
/// in an input box ("Parameter Entry Form", at most 255 characters, Cancel gives the empty text),
/// becomes a string parameter holding the entry upper-cased (a to z), and its final text is
/// remembered in paramList at its index. Any other mode sets parameter k from paramList[k].
/// Every parameter is kept, however many there are.
void FillParameters(Desktop& desktop, Query& query, QStringList& paramList, const QString& mode,
                    QWidget* parent = nullptr);
