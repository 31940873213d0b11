#pragma once

#include "ReleaseManifest.h"
#include "ReleaseTrust.h"
#include "YDialog.h"

#include <QString>
#include <QStringList>

class BackgroundButton;
class GrowingGroupBox;
class QLabel;
class QProgressBar;
class QTimer;
class iHttpDownloadS;

// The updater's window. Its left button runs the update procedure: fetch
// the release's file list and the signed release manifest, verify the
// manifest against the release key and the list against the manifest, back
// up each installed file into "OldFile", download each into "NovrelTemp"
// (no more than its manifest size, checked against its SHA-256), then
// install exactly the listed files and report; after success the same
// button ("Finished") starts the test program and ends the updater.
//
// It may run as root: both folders must be this user's own (created 0700,
// checked without following links), leftovers in "NovrelTemp" are removed
// before anything is downloaded, and nothing the service says is shown as
// markup. Any refusal or failure installs nothing and leaves "NovrelTemp"
// empty: a file that cannot be installed after others were puts those back
// from their backups (new ones removed). The whole update has a deadline.
//
// The program folder is UpdateCheck::programFolder() (the executable's
// folder) at construction. GUI thread only; the waits are nested event
// loops.
class Novrel : public YDialog
{
    Q_OBJECT

public:
    explicit Novrel(QWidget* parent = nullptr);

    static constexpr int kDeadlineMs = 30 * 60 * 1000;

    // The update service to use (the build's root unless a test says otherwise).
    void setServiceRoot(const QString& root) { m_serviceRoot = root; }
    // The longest a whole update may take.
    void setDeadline(int ms) { m_deadlineMs = ms; }

    BackgroundButton* updateButton() const { return m_updateButton; }
    BackgroundButton* cancelButton() const { return m_cancelButton; }
    QLabel* hintLabel() const { return m_hintLabel; }
    QLabel* versionLabel() const { return m_versionLabel; }
    QProgressBar* progressBar() const { return m_progressBar; }
    iHttpDownloadS* downloader() const { return m_downloader; }
    bool isUpdating() const { return m_updating; }

signals:
    // Every text the procedure shows in hintLabel, in order.
    void hintShown(const QString& text);

private slots:
    void sysColse();
    void On_Ok();
    void On_Novrel();

private:
    void buildBody();
    void showHint(const QString& text);
    QString path(const QString& name) const;
    // The copy of an installed file in "OldFile".
    QString backup(const QString& name) const;
    // The steps of the procedure; each shows its own failure and says
    // whether to go on.
    bool fetchRelease(ReleaseManifest* release);
    bool prepareFolders();
    bool fetch(const ReleaseManifest& release);
    bool fetchFile(const ReleaseManifest::Entry& entry);
    bool install(const ReleaseManifest& release);
    // After a file could not be installed: the `replaced` files back from
    // their backups, the `added` ones removed.
    void restore(const QStringList& replaced, const QStringList& added);
    void refuse(ReleaseProblem problem);

    BackgroundButton* m_updateButton = nullptr;
    BackgroundButton* m_cancelButton = nullptr;
    QString m_mainAppVersion;
    QLabel* m_hintLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    GrowingGroupBox* m_group = nullptr;
    iHttpDownloadS* m_downloader = nullptr;
    QString m_serviceRoot;
    QString m_folder;
    QTimer* m_deadline = nullptr;
    int m_deadlineMs = kDeadlineMs;
    bool m_updating = false;
    bool m_timedOut = false;
};
