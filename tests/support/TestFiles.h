#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reads and writes for the tests' temporary folders.
QByteArray readFile(const QString& path); // empty when it cannot be read
bool writeFile(const QString& path, const QByteArray& content);

// The user this process runs as, as FakeUpdater writes it: the uid on
// Linux, the account name on Windows.
QByteArray currentUserText();

// Caps the size of every file this process writes, as a full disk would:
// a write beyond the cap comes back short, then fails (SIGXFSZ is ignored
// meanwhile). The previous limit and signal action return at destruction.
// Child processes started meanwhile inherit the cap. Windows has no such
// cap: there it does nothing and available() is false.
class FileSizeLimit
{
public:
    static bool available();
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long m_previousSoft = 0;
    void (*m_previousAction)(int) = nullptr;
};
