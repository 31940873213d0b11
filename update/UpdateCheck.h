#pragma once

#include <QString>

#include <optional>

// The test program's update decisions as plain functions: which reply
// announces a version, when an announced version is offered, and the service
// root this process talks to.
namespace UpdateCheck {

// Four decimal numbers or fewer, joined by "." (at most nine digits each):
// the only versions worth showing or comparing.
bool isWellFormedVersion(const QString& version);

// The version a version query announced: the reply was a real answer (HTTP
// 2xx, see UpdateQuery::Answer), of the version form, carrying a well-formed
// version. Anything else (an error page, a sign-in page, "version=" with
// garbage after it) is no answer.
std::optional<QString> announcedVersion(bool answered, const QString& body);

// The start-up check prompts only when the installed test program has a
// version (it is installed in the program folder) and the announced one is
// newer.
bool startupOffers(const std::optional<QString>& announced, const QString& installed);

// The update service root of this process: the build's root unless set.
// An empty root turns the update path off (no query is made): tests set it
// so that no window they build reaches the network. Set it before building
// windows; thread-safe.
QString serviceRoot();
void setServiceRoot(const QString& root);

// The program folder of this process: the folder of its own executable,
// never the working directory (which is the caller's to choose). Tests set
// another; reset() restores both defaults. Thread-safe.
QString programFolder();
void setProgramFolder(const QString& folder);
void reset();

} // namespace UpdateCheck
