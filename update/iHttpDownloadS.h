#pragma once

#include "HttpDownload.h"

#include <QPointer>

class QProgressBar;

// The downloader of both update windows: HttpDownload driving an optional
// progress bar (not owned) with its byte counts once the size is known.
// GUI thread only.
class iHttpDownloadS : public HttpDownload
{
    Q_OBJECT

public:
    iHttpDownloadS(QObject* parent, QProgressBar* progressBar);

private:
    QPointer<QProgressBar> m_progressBar;
};
