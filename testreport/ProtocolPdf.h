#pragma once

#include "TestProtocol.h"

#include <QCoreApplication>
#include <QString>

class QFile;
class QIODevice;

// Writes the protocol of one test as a one-page A4 PDF (QPdfWriter, fonts
// embedded): header, verdict, every profile item with its limit, measured
// value and result, the Lissajous picture with its fitted ellipse, the
// interpolation error over one period, the reference marks and the supply
// current. The texts go through the translation of the running program.
//
// The page goes into a file this call creates beside its place (never one
// that was there, nor through a link), and only a whole file is moved to
// its name.
class ProtocolPdf
{
    Q_DECLARE_TR_FUNCTIONS(ProtocolPdf)

public:
    enum class Placement
    {
        // The file named by the user: what is at the name (a link too) is
        // replaced, never written through.
        ReplaceExisting,
        // A protocol folder: nothing at the name is touched; a name that is
        // taken gets a number ("<name>_2.pdf", "<name>_3.pdf", ...).
        KeepExisting,
    };

    // False (and `error` set) when the file could not be written whole;
    // `written` is where it went.
    static bool write(const TestProtocol& protocol, const QString& path, Placement placement,
                      QString* written, QString* error);

    static QString verdictText(TestProtocol::Verdict verdict);

private:
    static bool openPartial(const QString& path, QFile* file);
    static bool paint(const TestProtocol& protocol, QIODevice* device);
    static QString place(const QString& partial, const QString& path, Placement placement);
    static bool taken(const QString& name);
};
