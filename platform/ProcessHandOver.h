#pragma once

#include <QString>
#include <QStringList>

// Hands the rest of a console program's run to another program with the
// same standard streams, terminal and signals: on Linux the process becomes
// that program (execv) and this never returns on success; on Windows the
// program runs as a child while this one waits, and its exit code is
// returned. Returns -1 when the program could not be started.
namespace ProcessHandOver {

int handOver(const QString& program, const QStringList& arguments);

} // namespace ProcessHandOver
