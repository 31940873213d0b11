#pragma once

#include "FinishedTest.h"
#include "TestProtocol.h"

#include <QCoreApplication>
#include <QString>

// The test protocol of a finished test, one A4 PDF (testreport/ProtocolPdf)
// at a given path; its folder is checked before the tester is opened.
class ProtocolWriting
{
    Q_DECLARE_TR_FUNCTIONS(ProtocolWriting)

public:
    explicit ProtocolWriting(const QString& path) : m_path(path) {}

    bool active() const { return !m_path.isEmpty(); }
    const QString& path() const { return m_path; }

    // The file's folder exists and takes files.
    bool check(QString* error) const;
    // A folder for protocols exists and takes files.
    static bool checkFolder(const QString& folder, QString* error);

    bool write(const FinishedTest& test, QString* error) const;

    // What the protocol shows of a test.
    static TestProtocol protocol(const FinishedTest& test);

private:
    QString m_path;
};
