#include "iHttpDownloadS.h"

#include <QProgressBar>

iHttpDownloadS::iHttpDownloadS(QObject* parent, QProgressBar* progressBar)
    : HttpDownload(parent), m_progressBar(progressBar)
{
    connect(this, &HttpDownload::progressChanged, this, [this](qint64 received, qint64 total) {
        if (m_progressBar && total != 0) {
            m_progressBar->setMaximum(int(total));
            m_progressBar->setValue(int(received));
        }
    });
}
