#include "UpdateCheck.h"

#include "UpdateProtocol.h"
#include "UpdateRoutines.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

namespace UpdateCheck {

namespace {

QMutex g_mutex;
std::optional<QString> g_root;   // unset: the build's root
std::optional<QString> g_folder; // unset: the executable's folder

} // namespace

bool isWellFormedVersion(const QString& version)
{
    static const QRegularExpression kForm(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,9}(\\.[0-9]{1,9}){0,3}")));
    return kForm.match(version).hasMatch();
}

std::optional<QString> announcedVersion(bool answered, const QString& body)
{
    if (!answered)
        return std::nullopt;
    const std::optional<QString> version = UpdateProtocol::parseVersionReply(body);
    if (!version || !isWellFormedVersion(*version))
        return std::nullopt;
    return version;
}

bool startupOffers(const std::optional<QString>& announced, const QString& installed)
{
    return announced && !installed.isEmpty() && IsNewerVersion(*announced, installed);
}

QString serviceRoot()
{
    const QMutexLocker lock(&g_mutex);
    return g_root ? *g_root : UpdateProtocol::defaultRoot();
}

void setServiceRoot(const QString& root)
{
    const QMutexLocker lock(&g_mutex);
    g_root = root;
}

QString programFolder()
{
    const QMutexLocker lock(&g_mutex);
    return g_folder ? *g_folder : QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder)
{
    const QMutexLocker lock(&g_mutex);
    g_folder = folder;
}

void reset()
{
    const QMutexLocker lock(&g_mutex);
    g_root.reset();
    g_folder.reset();
}

} // namespace UpdateCheck
