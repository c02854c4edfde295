#pragma once

#include "Failure.h"
#include "HistoryExport.h"
#include "HistoryStatistics.h"

#include <functional>

/// The one read behind the statistics: the visits of a selection (the same as an export's)
/// from a history database, the current one or an archive.
namespace HistoryVisits {

enum class Outcome
{
    Read,
    Cancelled,
    Failed
};

/// Called every `ProgressStep` rows with the rows read so far and the rows in the selection;
/// false cancels.
using Progress = std::function<bool(qint64 read, qint64 total)>;
constexpr int ProgressStep = 10000;

Outcome read(const QString &historyPath, const ExportSelection &selection, VisitHistory &history,
             Failure &failure, const Progress &progress = {});

} // namespace HistoryVisits
