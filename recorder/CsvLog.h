#pragma once

#include "PollGroupFields.h"
#include "ReplyRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QString>

#include <vector>

// The recording as CSV: a header row, then one row per reply with the time
// in ms, the poll group and every live value. A value no reply has carried
// yet is left empty. Each batch is flushed to the file, so a run that ends
// abruptly keeps what it recorded up to the last batch.
class CsvLog
{
    Q_DECLARE_TR_FUNCTIONS(CsvLog)

public:
    // Creates (or truncates) the file and writes the header; false with
    // `error` set when it cannot.
    bool open(const QString& path, QString* error);
    bool isOpen() const { return m_file.isOpen(); }

    // Appends and flushes; false with `error` set when the write fails.
    bool append(const std::vector<ReplyRecord>& records, QString* error);
    void close();

    quint64 rows() const { return m_rows; }

    static QByteArray header();
    QByteArray row(const ReplyRecord& record);

private:
    QFile m_file;
    PollGroupFields m_fields;
    QSet<quint16> m_seen; // addresses some reply has carried
    quint64 m_rows = 0;
};
