#pragma once

#include <QByteArray>
#include <QString>

// A minimal executable image carrying a version, as the programs' do: what
// GetFileVersion reads from an installed program. A 64-bit ELF image with
// a version note on Linux; on Windows a 64-bit PE image whose version
// resource has the FileVersion string. `payload` follows the image.
QByteArray fakeExecutable(const QString& version, const QByteArray& payload = QByteArray());
