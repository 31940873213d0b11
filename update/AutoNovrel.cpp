#include "AutoNovrel.h"

#include "ProgramFiles.h"
#include "ReleaseFetch.h"
#include "UpdateCheck.h"
#include "UpdateProtocol.h"
#include "UpdateQuery.h"
#include "UpdateRoutines.h"

#include <QDir>

AutoNovrel::AutoNovrel(QObject* parent)
    : QThread(parent), m_root(UpdateCheck::serviceRoot()), m_folder(UpdateCheck::programFolder()),
      m_timeoutMs(UpdateQuery::kTimeoutMs)
{
}

AutoNovrel::~AutoNovrel()
{
    abort();
    wait();
}

void AutoNovrel::abort()
{
    requestInterruption();
    // Ends every event loop running on the thread, the query's included, and
    // makes any later one return at once.
    quit();
}

void AutoNovrel::run()
{
    // A test program started outside its program folder finds nothing to
    // compare with, and an update would go to the wrong folder: no check.
    const QString installed =
        GetFileVersion(QDir(m_folder).filePath(ProgramFiles::testProgram()));
    if (m_root.isEmpty() || installed.isEmpty() || isInterruptionRequested())
        return;
    const UpdateQuery::Answer answer =
        UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kSoftVer), m_root, m_timeoutMs);
    if (isInterruptionRequested())
        return;
    const std::optional<QString> announced =
        UpdateCheck::announcedVersion(answer.answered, answer.body);
    if (!UpdateCheck::startupOffers(announced, installed) || isInterruptionRequested())
        return;
    // Only a release the maker signed is offered.
    const ReleaseFetch::Result release = ReleaseFetch::fetch(m_root, m_timeoutMs);
    if (isInterruptionRequested() || release.problem != ReleaseProblem::None ||
        ReleaseTrust::checkRelease(release.manifest, *announced, installed) != ReleaseProblem::None)
        return;
    emit NewVer();
}
