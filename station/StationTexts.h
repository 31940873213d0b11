#pragma once

#include "ResultFiling.h"
#include "ResultStore.h"
#include "StationHistory.h"
#include "StationVerdict.h"
#include "TestSequence.h"
#include "ToleranceProfile.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

// What the station's window shows, decided without widgets: the banner
// (idle, testing, verdict), the item rows, the history rows and the lines
// under them. The window only puts these into its widgets.
class StationTexts
{
    Q_DECLARE_TR_FUNCTIONS(StationTexts)

public:
    static const QColor kPass;
    static const QColor kFail;
    static const QColor kAborted;
    static const QColor kBusy;
    static const QColor kIdle;

    struct Banner
    {
        QString title;
        QColor colour;
        QStringList lines;
    };
    static Banner idleBanner(bool testerOpen, const QString& testerProblem);
    // `retest`: the unit's judged tests before (Station::retest()).
    static Banner testingBanner(const QString& serial, TestSequence::Phase phase,
                                double secondsLeft, int retest = 0);
    static Banner verdictBanner(const StationVerdict& verdict);
    // A scanned unit the station could not test (no tester, busy, refused input).
    static Banner refusedBanner(const QString& reason);

    struct ItemRow
    {
        QString label;
        QString limit;
        QString value; // "—" until measured
        QString mark;  // "✔" or "✘"; empty until measured
        QColor colour; // of the value and mark
    };
    enum class Marks
    {
        Live,    // while testing: a mark for each figure measured so far
        Verdict, // the verdict: a figure never measured failed its item
        None,    // an aborted test: the figures without marks, never a pass
    };
    static QVector<ItemRow> itemRows(const ToleranceProfile::Verdict& verdict, Marks marks);
    static QString itemLabel(const QString& name);
    // "SN-1" or "SN-1 (retest 2)"; "(retest ?)" when the store could not say.
    static QString unitText(const QString& serial, int retest);

    struct HistoryRow
    {
        QString time; // local
        QString serial;
        QString verdict;
        QString reason;
        QColor colour;
    };
    static HistoryRow historyRow(const ResultStore::Row& row);
    static QString passRate(const StationHistory& history);
    static QString reasonText(const QString& stored);

    static QString latchText(const LatchStatistics::Result& sinCos,
                             const LatchStatistics::Result& square);
    static QString currentText(const RecordingSummary::Current& current);
    static QString phaseText(TestSequence::Phase phase);

    // The line under the verdict once the store answered; `warning` when
    // the result is only spooled or was lost.
    static QString filedText(const ResultFiling::Filed& filed, bool* warning);

private:
    static QString unitOf(const QString& name);
    static int decimalsOf(const QString& name);
};
