#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reads and writes for the tests' temporary folders.
QByteArray readFile(const QString& path); // empty when it cannot be read
bool writeFile(const QString& path, const QByteArray& content);
