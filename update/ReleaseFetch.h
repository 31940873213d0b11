#pragma once

#include "ReleaseManifest.h"
#include "ReleaseTrust.h"

#include <QString>

// Fetches the release manifest and its signature from the update service
// and verifies them against the process's release key (ReleaseKey), before
// anything else the service says is used. Runs on the calling thread in
// nested event loops, like the queries.
namespace ReleaseFetch {

struct Result
{
    ReleaseProblem problem = ReleaseProblem::NotSigned;
    ReleaseManifest manifest; // valid when problem is None
};

Result fetch(const QString& root, int timeoutMs);

} // namespace ReleaseFetch
