#pragma once

#include <QDateTime>
#include <QString>

// The file name of a test's protocol: "<serial>_<UTC time>.pdf", for
// example "SN4711_20261208T141500Z.pdf". A serial is what a barcode scanner
// typed: any character other than a letter, digit, ".", "-" or "_" becomes
// "_", a leading "." too, so the name is always one file in the protocol
// folder.
namespace ProtocolFileName {

QString make(const QString& serial, const QDateTime& startedAt);

// The path itself for 1, else with "_<number>" before its extension:
// "a/SN4711_20261208T141500Z_2.pdf" for a second protocol in that second.
QString numbered(const QString& path, int number);

} // namespace ProtocolFileName
