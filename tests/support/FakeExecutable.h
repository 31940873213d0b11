#pragma once

#include <QByteArray>
#include <QString>

// A minimal 64-bit ELF image carrying a version note, as the programs'
// executables do: what GetFileVersion reads from an installed program.
QByteArray fakeExecutable(const QString& version, const QByteArray& payload = QByteArray());
