#pragma once

#include "ReleaseManifest.h"
#include "StartElevated.h"
#include "YDialog.h"

#include <QString>

#include <optional>

class BackgroundButton;
class GrowingGroupBox;
class QLabel;
class QProgressBar;
class iHttpDownloadS;

// The test program's update dialog. Its left button works in two phases:
// "Novrel" asks the update service for the newest test-program version and
// shows it; when that is newer the button turns into "NovrelIng", and the
// next press brings the updater in the program folder up to date (backup in
// "OldFile", download into "NovrelTemp", checked, then installed), starts it
// with administrator rights and quits the test program.
//
// A newer version is offered only when the release manifest signed with the
// release key confirms it, and a downloaded updater replaces the installed
// one only when its size and SHA-256 are the manifest's; otherwise the
// reason is shown and nothing changes.
//
// A press while a query or download runs is ignored; closing the dialog
// during one ends it without handing over. The test program quits only when
// the updater really started; otherwise the reason is shown.
//
// GUI thread only; the waits are nested event loops. The program folder is
// UpdateCheck::programFolder() at construction. The dialog is sized once,
// for its longest texts, so its buttons never move under the pointer.
class YSoftNovrel : public YDialog
{
    Q_OBJECT

public:
    YSoftNovrel(QWidget* parent, const QString& title, int titleHeight, int width, int height);

    // The update service (UpdateCheck::serviceRoot() unless set).
    void setServiceRoot(const QString& root) { m_serviceRoot = root; }
    // The longest wait for a query's answer.
    void setQueryTimeout(int ms) { m_queryTimeoutMs = ms; }

    BackgroundButton* updateButton() const { return m_updateButton; }
    BackgroundButton* cancelButton() const { return m_cancelButton; }
    QLabel* versionLabel() const { return m_versionLabel; }
    QLabel* hintLabel() const { return m_hintLabel; }
    QLabel* messageLabel() const { return m_messageLabel; }
    QProgressBar* progressBar() const { return m_progressBar; }
    bool isBusy() const { return m_busy; }

    void done(int result) override;

signals:
    // The hand-off was tried (after the updater was brought up to date).
    void handOffTried(ElevatedStart outcome);

private slots:
    void On_closeOk();
    void On_closeCancel();
    void GetNovrelInfo();
    bool NovrelApp();
    void OnOk();

private:
    void buildBody(int width);
    void fitLongestTexts();
    void showMessage(const QString& text);
    std::optional<QString> askVersion(const char* body);
    bool refreshUpdater(const QString& announced);
    bool downloadUpdater(const QString& target);
    void handOff();

    BackgroundButton* m_updateButton = nullptr;
    BackgroundButton* m_cancelButton = nullptr;
    QString m_mainAppVersion;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_hintLabel = nullptr;
    QLabel* m_messageLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    iHttpDownloadS* m_downloader = nullptr;
    GrowingGroupBox* m_group = nullptr;
    QString m_serviceRoot;
    QString m_folder;
    ReleaseManifest m_release; // the signed release found by the first press
    int m_queryTimeoutMs;
    bool m_busy = false;
    bool m_closed = false;
};
