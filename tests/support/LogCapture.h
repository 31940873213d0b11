#pragma once

#include <QStringList>

// Collects Qt's debug and critical messages from every thread as
// "D:text" / "C:text" (W: warning, I: info, F: fatal), in order.
// Set ROTAPROBE_TEST_LOG=1 to also print them.
class LogCapture
{
public:
    static void install();
    static void clear();
    static QStringList lines();
    // Lines that start with one of the prefixes given (e.g. "C:EEP").
    static QStringList linesMatching(const QStringList& prefixes);
    static int count(const QString& line);
};
