#pragma once

#include "FinishedTest.h"
#include "ProtocolPdf.h"
#include "TestProtocol.h"

#include <QCoreApplication>
#include <QString>

// The test protocol of a finished test, one A4 PDF (testreport/ProtocolPdf)
// at a given path; its folder is checked before the tester is opened.
class ProtocolWriting
{
    Q_DECLARE_TR_FUNCTIONS(ProtocolWriting)

public:
    // The recorder names its file and replaces what is there; the station
    // keeps every protocol in its folder.
    ProtocolWriting(const QString& path, ProtocolPdf::Placement placement)
        : m_path(path), m_placement(placement)
    {
    }

    bool active() const { return !m_path.isEmpty(); }
    const QString& path() const { return m_path; }

    // The file's folder exists and takes files.
    bool check(QString* error) const;
    // A folder for protocols exists and takes files.
    static bool checkFolder(const QString& folder, QString* error);

    // `written`: where the protocol went (another name than path() when the
    // station's name was taken); may be null.
    bool write(const FinishedTest& test, QString* written, QString* error) const;

    // What the protocol shows of a test.
    static TestProtocol protocol(const FinishedTest& test);

private:
    QString m_path;
    ProtocolPdf::Placement m_placement;
};
