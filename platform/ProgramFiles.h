#pragma once

#include <QString>
#include <QtGlobal>

// File names of the two programs in the program folder. The update service
// names them the Windows way; on Linux the executables have no suffix.
namespace ProgramFiles {

#ifdef Q_OS_WIN
inline QString testProgram()
{
    return QStringLiteral("Rotaprobe.exe");
}
inline QString updater()
{
    return QStringLiteral("Novrel.exe");
}
#else
inline QString testProgram()
{
    return QStringLiteral("Rotaprobe");
}
inline QString updater()
{
    return QStringLiteral("Novrel");
}
#endif

} // namespace ProgramFiles
