#pragma once

#include <QStringList>
#include <QTextStream>

// The maker's side of signed releases, for tools/release-key.sh and
// tools/publish-release.sh:
//   keygen DIR                 DIR/release.key (secret, 0600), DIR/release.pub
//   manifest VERSION UPDATER_VERSION UPDATER FILE...
//                              the release manifest of these files, on stdout
//   sign KEYFILE FILE          FILE.sig, the detached signature of FILE
//   verify PUBFILE FILE        exit 0 when FILE.sig is FILE's signature
// Exit 0 on success, 1 when a verification fails, 2 on any error.
class SignTool
{
public:
    SignTool(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}
    int run(const QStringList& arguments);

private:
    int keygen(const QStringList& arguments);
    int manifest(const QStringList& arguments);
    int sign(const QStringList& arguments);
    int verify(const QStringList& arguments);
    int fail(const QString& text);

    QTextStream& m_out;
    QTextStream& m_err;
};
