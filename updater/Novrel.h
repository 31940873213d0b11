#pragma once

#include "YDialog.h"

#include <QString>

class BackgroundButton;
class GrowingGroupBox;
class QLabel;
class QProgressBar;
class iHttpDownloadS;

// The updater's window. Its left button runs the update procedure: fetch
// the release's file list, back up each installed file into "OldFile",
// download each into "NovrelTemp", install everything the download folder
// holds and report; after success the same button ("Finished") starts the
// test program and ends the updater. The program folder is the current
// working directory. GUI thread only; the waits are nested event loops.
class Novrel : public YDialog
{
    Q_OBJECT

public:
    explicit Novrel(QWidget* parent = nullptr);

    // The update service to use (the build's root unless a test says otherwise).
    void setServiceRoot(const QString& root) { m_serviceRoot = root; }

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
    bool fetch(const QStringList& names, const QString& base);
    bool install(const QString& base);

    BackgroundButton* m_updateButton = nullptr;
    BackgroundButton* m_cancelButton = nullptr;
    QString m_mainAppVersion;
    QLabel* m_hintLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    GrowingGroupBox* m_group = nullptr;
    iHttpDownloadS* m_downloader = nullptr;
    QString m_serviceRoot;
    bool m_updating = false;
};
