#include "CsvLog.h"

namespace {

namespace F = LiveRegister;

struct Column
{
    const char* name;
    quint16 address;
    qint64 (*value)(const LiveValues&);
};

const Column kColumns[] = {
    {"sincos_position", F::kSinCosPosition, [](const LiveValues& v) { return v.sinCosPosition; }},
    {"square_position", F::kSquarePosition, [](const LiveValues& v) { return v.squarePosition; }},
    {"sin", F::kSinSample, [](const LiveValues& v) { return qint64(v.sinSample); }},
    {"cos", F::kCosSample, [](const LiveValues& v) { return qint64(v.cosSample); }},
    {"sincos_latch_count", F::kSinCosLatchCount,
     [](const LiveValues& v) { return v.sinCosLatchCount; }},
    {"sincos_latch_position", F::kSinCosLatchPosition,
     [](const LiveValues& v) { return v.sinCosLatchPosition; }},
    {"square_latch_count", F::kSquareLatchCount,
     [](const LiveValues& v) { return v.squareLatchCount; }},
    {"square_latch_position", F::kSquareLatchPosition,
     [](const LiveValues& v) { return v.squareLatchPosition; }},
    {"phase_check_count", F::kPhaseCheckCount,
     [](const LiveValues& v) { return qint64(v.phaseCheckCount); }},
    {"level_states", F::kLevelStates, [](const LiveValues& v) { return qint64(v.levelStates); }},
    {"line_states", F::kLineStates, [](const LiveValues& v) { return qint64(v.lineStates); }},
    {"current_ma", F::kEncoderCurrent,
     [](const LiveValues& v) { return qint64(v.encoderCurrent); }},
};

} // namespace

QByteArray CsvLog::header()
{
    QByteArray line("ms,group");
    for (const Column& column : kColumns)
        line += ',' + QByteArray(column.name);
    return line + '\n';
}

QByteArray CsvLog::row(const ReplyRecord& record)
{
    for (const Column& column : kColumns)
        if (m_fields.carries(record.group, column.address))
            m_seen.insert(column.address);
    QByteArray line = QByteArray::number(record.ms, 'f', 3) + ',' + QByteArray::number(record.group);
    for (const Column& column : kColumns) {
        line += ',';
        if (m_seen.contains(column.address))
            line += QByteArray::number(column.value(record.values));
    }
    return line + '\n';
}

bool CsvLog::open(const QString& path, QString* error)
{
    m_file.setFileName(path);
    m_seen.clear();
    m_rows = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        m_file.write(header()) < 0 || !m_file.flush()) {
        *error = tr("Cannot write \"%1\": %2.").arg(path, m_file.errorString());
        m_file.close();
        return false;
    }
    return true;
}

bool CsvLog::append(const std::vector<ReplyRecord>& records, QString* error)
{
    QByteArray batch;
    for (const ReplyRecord& record : records)
        batch += row(record);
    if (m_file.write(batch) != batch.size() || !m_file.flush()) {
        *error = tr("Cannot write \"%1\": %2.").arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    m_rows += records.size();
    return true;
}

void CsvLog::close()
{
    m_file.close();
}
