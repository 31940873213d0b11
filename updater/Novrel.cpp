#include "Novrel.h"

#include "BackgroundButton.h"
#include "GrowingGroupBox.h"
#include "InvokingUser.h"
#include "ProgramFiles.h"
#include "UpdateProtocol.h"
#include "UpdateQuery.h"
#include "UpdateRoutines.h"
#include "iHttpDownloadS.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kAccent(30, 144, 255);
constexpr int kGroupWidth = 390;
constexpr int kGroupHeight = 160;
const QString kDownloadFolder = QStringLiteral("NovrelTemp");
const QString kBackupFolder = QStringLiteral("OldFile");

void setTextColour(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, kAccent);
    widget->setPalette(palette);
}

QHBoxLayout* row(QVBoxLayout* into)
{
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    into->addLayout(layout);
    return layout;
}

} // namespace

Novrel::Novrel(QWidget* parent)
    : YDialog(parent, tr("softNovrel"), 35, 400, 200, 0, YDialog::CloseButtonOnly),
      m_serviceRoot(UpdateProtocol::defaultRoot())
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    connect(this, &YDialog::sysclose, this, &Novrel::sysColse);
    buildBody();
    connect(m_updateButton, &BackgroundButton::clicked, this, &Novrel::On_Ok);
    connect(m_cancelButton, &BackgroundButton::clicked, this, &YDialog::On_closeCancel);
    m_downloader = new iHttpDownloadS(this, m_progressBar);
}

void Novrel::buildBody()
{
    QWidget* body = bodyWidget();
    auto* layout = new QVBoxLayout(body);
    layout->setAlignment(Qt::AlignTop);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(5);

    auto* group = new GrowingGroupBox(tr("Soft Novrel"), kGroupWidth, kGroupHeight, body);
    m_group = group;
    // The rows sit at the top through a closing stretch, not through the
    // layout's alignment: an aligned layout gives a word-wrapped label the
    // width of its widest sibling and cuts the hint off.
    auto* inner = new QVBoxLayout(group);
    inner->setContentsMargins(20, 30, 20, 5);
    inner->setSpacing(20);

    m_mainAppVersion = GetFileVersion(ProgramFiles::testProgram());
    m_versionLabel = new QLabel(tr("MainApp Ver:%1").arg(m_mainAppVersion), group);
    m_hintLabel = new QLabel(
        tr("Click the update button to obtain the latest version information, and update."), group);
    m_hintLabel->setWordWrap(true);
    m_versionLabel->setWordWrap(true); // a long version after "MainApp Ver Novrel:"
    m_progressBar = new QProgressBar(group);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->hide();
    // Its room stays reserved while hidden: the window keeps its size when
    // the procedure shows the bar.
    QSizePolicy barPolicy = m_progressBar->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    m_progressBar->setSizePolicy(barPolicy);
    row(inner)->addWidget(m_versionLabel);
    row(inner)->addWidget(m_hintLabel);
    row(inner)->addWidget(m_progressBar);
    inner->addStretch(1);
    setTextColour(m_hintLabel);
    setTextColour(m_versionLabel);
    setTextColour(group);
    layout->addWidget(group);
    group->fit();

    auto button = [body](const QString& text) {
        auto* b = new BackgroundButton(body);
        b->setText(text);
        b->setTextColor(kAccent);
        b->setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
        return b;
    };
    m_updateButton = button(tr("Novrel"));
    m_cancelButton = button(tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(20);
    buttons->addWidget(m_updateButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);
}

void Novrel::sysColse()
{
    QCoreApplication::quit();
}

void Novrel::On_Ok()
{
    if (m_updating)
        return; // pressed again from inside the running procedure's wait
    if (m_updateButton->text() == tr("Novrel")) {
        On_Novrel();
        return;
    }
    // Run as root through pkexec, it starts the test program as the user
    // who asked for the update.
    InvokingUser::startDetached(QDir::current().absoluteFilePath(ProgramFiles::testProgram()),
                                QDir::currentPath());
    QCoreApplication::quit();
    On_closeOk();
}

void Novrel::showHint(const QString& text)
{
    m_hintLabel->setText(text);
    emit hintShown(text);
}

bool Novrel::fetch(const QStringList& names, const QString& base)
{
    m_progressBar->show();
    for (const QString& name : names) {
        showHint(tr("Is in the backup file %1").arg(name));
        CopyFileOver(name, kBackupFolder + QLatin1Char('/') + name, kBackupFolder, true);
        const QUrl url(UpdateProtocol::releaseFileUrl(m_serviceRoot, name), QUrl::TolerantMode);
        if (!m_downloader->startDownload(url, base + QStringLiteral("/NovrelTemp/") + name)) {
            showHint(tr("Software update failed"));
            return false;
        }
        showHint(tr("Downloading files %1").arg(name));
        if (!m_downloader->waitUntilFinished()) {
            showHint(tr("Software download update failed"));
            return false;
        }
    }
    return true;
}

bool Novrel::install(const QString& base)
{
    const QDir downloads(base + QStringLiteral("/NovrelTemp/"));
    const QStringList files = downloads.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& file : files) {
        const QString downloaded = downloads.filePath(file);
        if (MoveFileOver(downloaded, file, base))
            continue;
        if (file != ProgramFiles::updater()) {
            // Left in the download folder for the next run; the installed
            // file is unchanged. Only the running updater may stay behind.
            showHint(tr("Software update failed"));
            return false;
        }
        QFile::remove(downloaded);
    }
    return true;
}

void Novrel::On_Novrel()
{
    m_updating = true;
    const UpdateQuery::Answer answer =
        UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kFileList), m_serviceRoot);
    const QStringList items = UpdateProtocol::fileListItems(answer.body);
    // Any other reply (a guest network's sign-in page, an error page) is no
    // answer; so is a list with one name that could not be installed safely.
    const bool isList = answer.answered && UpdateProtocol::isFileList(items);
    const QStringList names = isList ? items.mid(1) : QStringList();
    const bool namesSafe =
        std::all_of(names.begin(), names.end(), &UpdateProtocol::isReleaseFileName);
    const QString base = QDir::currentPath();
    const bool ok = isList && namesSafe && QDir().mkpath(base + QStringLiteral("/NovrelTemp/"));
    if (!ok) {
        showHint(tr("Software update failed"));
    } else if (fetch(names, base) && install(base)) {
        m_progressBar->hide();
        m_updateButton->setText(tr("Finished"));
        showHint(tr("Software update success"));
        m_mainAppVersion = GetFileVersion(ProgramFiles::testProgram());
        m_versionLabel->setText(tr("MainApp Ver Novrel:%1").arg(m_mainAppVersion));
    }
    m_updating = false;
}
