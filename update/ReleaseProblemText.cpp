#include "ReleaseProblemText.h"

QString ReleaseProblemText::text(ReleaseProblem problem)
{
    switch (problem) {
    case ReleaseProblem::None:
        break;
    case ReleaseProblem::NoKey:
        return tr("This build has no release key: no update can be installed.");
    case ReleaseProblem::NotSigned:
        return tr("The release is not signed by the maker: nothing was installed.");
    case ReleaseProblem::Mismatch:
        return tr("The update service does not match the signed release: nothing was "
                  "installed.");
    case ReleaseProblem::NotNewer:
        return tr("The signed release is not newer than the installed program: nothing was "
                  "installed.");
    case ReleaseProblem::Expired:
        return tr("The signed release has expired: a newer one may be held back. Nothing was "
                  "installed.");
    case ReleaseProblem::BadFile:
        return tr("A downloaded file is not the one the release describes: nothing was "
                  "installed.");
    case ReleaseProblem::TimedOut:
        return tr("The update took too long: nothing was installed.");
    }
    return QString();
}
