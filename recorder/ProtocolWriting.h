#pragma once

#include "ConfigRecord.h"
#include "RecorderOptions.h"
#include "RecordingReport.h"
#include "TestProtocol.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QVector>

// The recorder's test protocol (--pdf FILE): its folder is checked before
// the tester is opened, and the finished recording is written as one A4
// PDF (testreport/ProtocolPdf).
class ProtocolWriting
{
    Q_DECLARE_TR_FUNCTIONS(ProtocolWriting)

public:
    explicit ProtocolWriting(const RecorderOptions& options) : m_options(options) {}

    bool active() const { return !m_options.pdfPath.isEmpty(); }

    // The file's folder exists and takes files.
    bool check(QString* error) const;

    struct Recording
    {
        RecordingReport::Facts facts;
        ToleranceProfile::Measurements measured;
        ToleranceProfile::Verdict verdict;
        RecordingSummary::Current current;
        ConfigRecord config;
        QVector<SinCosPair> pairs;
        QByteArray profile; // the profile's text as it was judged by
        QDateTime startedAt;
    };
    bool write(const Recording& recording, QString* error) const;

    // What the protocol shows of a recording.
    TestProtocol protocol(const Recording& recording) const;

private:
    RecorderOptions m_options;
};
