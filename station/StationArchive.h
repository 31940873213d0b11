#pragma once

#include "FinishedTest.h"
#include "ResultFiling.h"
#include "StationHistory.h"
#include "UnitHistory.h"

#include <QObject>
#include <QStringList>

#include <memory>

Q_DECLARE_METATYPE(FinishedTest)
Q_DECLARE_METATYPE(ResultFiling::Filed)

// The station's results store on a thread of its own, so that a slow or
// unreachable server never blocks the window: each request runs there in
// the order made and answers with a signal.
//
// Threads: constructed on the GUI thread, then moved to the archive thread;
// open(), file(), refresh() and close() run only there (the station queues
// them, and lookUp()); its signals reach the station queued. m_filing belongs to that
// thread alone.
class StationArchive : public QObject
{
    Q_OBJECT

public:
    // `station`: the name results are stored under (the host name).
    StationArchive(const QString& location, const QString& station);
    ~StationArchive() override;

    void open();
    void file(const FinishedTest& test);
    void refresh();
    // What the store holds of `serial` (answers unitLookedUp).
    void lookUp(const QString& serial);
    // Lets go of the store; the last call before the thread ends.
    void close();

signals:
    void opened(bool ok, const QString& error, const QStringList& warnings);
    void filed(const ResultFiling::Filed& filed);
    void historyRead(const StationHistory& history);
    void unitLookedUp(const QString& serial, const UnitHistory& history);

private:
    QString m_location;
    QString m_station;
    std::unique_ptr<ResultFiling> m_filing;
};
