#pragma once

#include "HistoryRow.h"

#include <QSqlQuery>
#include <QString>

/// How every store reads a history row: the statement's start, up to and with "FROM history ",
/// and the row made from a result in that column order.
QString historyRowSelect();
HistoryRow historyRowFrom(const QSqlQuery &query);
