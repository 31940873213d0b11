#pragma once

#include "TestProtocol.h"

#include <QCoreApplication>
#include <QString>

// Writes the protocol of one test as a one-page A4 PDF (QPdfWriter, fonts
// embedded): header, verdict, every profile item with its limit, measured
// value and result, the Lissajous picture with its fitted ellipse, the
// interpolation error over one period, the reference marks and the supply
// current. The texts go through the translation of the running program.
class ProtocolPdf
{
    Q_DECLARE_TR_FUNCTIONS(ProtocolPdf)

public:
    // False (and `error` set) when the file could not be written whole.
    static bool write(const TestProtocol& protocol, const QString& path, QString* error);

    static QString verdictText(TestProtocol::Verdict verdict);
};
