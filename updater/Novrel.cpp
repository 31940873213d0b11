#include "Novrel.h"

#include "BackgroundButton.h"
#include "GrowingGroupBox.h"
#include "InvokingUser.h"
#include "ProgramFiles.h"
#include "ReleaseFetch.h"
#include "ReleaseProblemText.h"
#include "SecureFolder.h"
#include "UpdateCheck.h"
#include "UpdateButtonRow.h"
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
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kAccent(30, 144, 255);
constexpr int kGroupWidth = 390;
constexpr int kGroupHeight = 160;
const QString kDownloadFolder = QStringLiteral("NovrelTemp");
const QString kBackupFolder = QStringLiteral("OldFile");

// 0755 for a program (an ELF executable or a script), 0644 otherwise.
QFileDevice::Permissions newFileMode(const QString& path)
{
    QFile file(path);
    const QByteArray start = file.open(QIODevice::ReadOnly) ? file.read(4) : QByteArray();
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (start == "\x7f" "ELF" || start.startsWith("#!"))
        return readable | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
               QFileDevice::ExeOther;
    return readable;
}

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
      m_serviceRoot(UpdateProtocol::defaultRoot()), m_folder(UpdateCheck::programFolder()),
      m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_downloader->abortDownload();
    });
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

    m_mainAppVersion = GetFileVersion(path(ProgramFiles::testProgram()));
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
    // Texts from the service and from downloaded files are never markup.
    m_versionLabel->setTextFormat(Qt::PlainText);
    m_hintLabel->setTextFormat(Qt::PlainText);
    setTextColour(m_hintLabel);
    setTextColour(m_versionLabel);
    setTextColour(group);
    layout->addWidget(group);
    group->fit();

    const UpdateButtonRow buttons(body, tr("Novrel"), tr("Cancel"));
    m_updateButton = buttons.updateButton();
    m_cancelButton = buttons.cancelButton();
    layout->addLayout(buttons.layout());
}

void Novrel::sysColse()
{
    QCoreApplication::quit();
}

QString Novrel::path(const QString& name) const
{
    return m_folder + QLatin1Char('/') + name;
}

QString Novrel::backup(const QString& name) const
{
    return path(kBackupFolder) + QLatin1Char('/') + name;
}

void Novrel::On_Ok()
{
    if (m_updating)
        return; // pressed again from inside the running procedure's wait
    if (m_updateButton->text() == tr("Novrel")) {
        On_Novrel();
        return;
    }
    // Run as root, it starts the test program as the user who asked for
    // the update, never as root.
    InvokingUser::startDetached(path(ProgramFiles::testProgram()), m_folder);
    QCoreApplication::quit();
    On_closeOk();
}

void Novrel::showHint(const QString& text)
{
    m_hintLabel->setText(text);
    emit hintShown(text);
}

void Novrel::refuse(ReleaseProblem problem)
{
    showHint(ReleaseProblemText::text(m_timedOut ? ReleaseProblem::TimedOut : problem));
}

bool Novrel::fetchRelease(ReleaseManifest* release)
{
    const UpdateQuery::Answer answer =
        UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kFileList), m_serviceRoot);
    const QStringList items = UpdateProtocol::fileListItems(answer.body);
    // Any other reply (a guest network's sign-in page, an error page) is no
    // answer; so is a list with one name that could not be installed safely.
    const bool isList = answer.answered && UpdateProtocol::isFileList(items);
    const QStringList names = isList ? items.mid(1) : QStringList();
    if (m_timedOut || !isList ||
        !std::all_of(names.begin(), names.end(), &UpdateProtocol::isReleaseFileName)) {
        m_timedOut ? refuse(ReleaseProblem::TimedOut) : showHint(tr("Software update failed"));
        return false;
    }
    const ReleaseFetch::Result fetched = ReleaseFetch::fetch(m_serviceRoot, UpdateQuery::kTimeoutMs);
    ReleaseProblem problem = fetched.problem;
    if (problem == ReleaseProblem::None)
        problem = ReleaseTrust::checkFileList(fetched.manifest, names);
    if (problem == ReleaseProblem::None)
        problem = ReleaseTrust::checkRelease(fetched.manifest, QString(), m_mainAppVersion);
    if (problem != ReleaseProblem::None || m_timedOut) {
        refuse(problem);
        return false;
    }
    *release = fetched.manifest;
    return true;
}

bool Novrel::prepareFolders()
{
    // Both folders are this user's alone, and nothing left in the download
    // folder (by an earlier run or by anyone else) is ever installed.
    if (!SecureFolder::prepare(path(kDownloadFolder)) || !SecureFolder::prepare(path(kBackupFolder)) ||
        !SecureFolder::empty(path(kDownloadFolder))) {
        showHint(tr("Software update failed"));
        return false;
    }
    return true;
}

bool Novrel::fetchFile(const ReleaseManifest::Entry& entry)
{
    const QString name = entry.name;
    showHint(tr("Is in the backup file %1").arg(name));
    // The backup is what a failed installation puts back: without it, the
    // file is not replaced.
    if (QFileInfo(path(name)).isFile() &&
        !CopyFileOver(path(name), backup(name), path(kBackupFolder), true)) {
        showHint(tr("Software update failed"));
        return false;
    }
    const QUrl url(UpdateProtocol::releaseFileUrl(m_serviceRoot, name), QUrl::TolerantMode);
    const QString target = path(kDownloadFolder) + QLatin1Char('/') + name;
    m_downloader->setMaxBytes(entry.size);
    if (!m_downloader->startDownload(url, target)) {
        showHint(tr("Software update failed"));
        return false;
    }
    showHint(tr("Downloading files %1").arg(name));
    const bool downloaded = m_downloader->waitUntilFinished();
    if (m_timedOut) {
        refuse(ReleaseProblem::TimedOut);
        return false;
    }
    if (!downloaded && m_downloader->lastError() != QLatin1String("Error:File too large.")) {
        showHint(tr("Software download update failed"));
        return false;
    }
    if (!downloaded || !ReleaseTrust::matches(target, entry)) {
        refuse(ReleaseProblem::BadFile);
        return false;
    }
    return true;
}

bool Novrel::fetch(const ReleaseManifest& release)
{
    m_progressBar->show();
    for (const ReleaseManifest::Entry& entry : release.files)
        if (!fetchFile(entry))
            return false;
    return true;
}

bool Novrel::install(const ReleaseManifest& release)
{
    // In the folder's order, by name regardless of case.
    QStringList names = release.fileNames();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QStringList replaced;
    QStringList added;
    for (const QString& name : names) {
        const QString downloaded = path(kDownloadFolder) + QLatin1Char('/') + name;
        const bool existed = QFileInfo::exists(path(name));
        // A replaced file keeps its mode; a new one is readable by everyone,
        // and executable when it is a program.
        if (!existed)
            SecureFolder::setMode(downloaded, newFileMode(downloaded));
        if (MoveFileOver(downloaded, path(name), m_folder)) {
            (existed ? replaced : added).append(name);
            continue;
        }
        if (name != ProgramFiles::updater()) {
            // Never two releases mixed: what was installed goes back.
            restore(replaced, added);
            showHint(tr("Software update failed"));
            return false;
        }
        QFile::remove(downloaded); // only the running updater may stay as it was
    }
    return true;
}

void Novrel::restore(const QStringList& replaced, const QStringList& added)
{
    for (const QString& name : replaced)
        if (!CopyFileOver(backup(name), path(name), m_folder, true))
            qWarning("Novrel: %s could not be restored from its backup", qPrintable(name));
    for (const QString& name : added)
        QFile::remove(path(name));
}

void Novrel::On_Novrel()
{
    m_updating = true;
    m_timedOut = false;
    m_deadline->start(m_deadlineMs);
    ReleaseManifest release;
    const bool ok = fetchRelease(&release) && prepareFolders() && fetch(release) && install(release);
    m_deadline->stop();
    // Whatever happened, nothing stays behind to be installed by a later run.
    if (SecureFolder::isOwn(path(kDownloadFolder)))
        SecureFolder::empty(path(kDownloadFolder));
    if (ok) {
        m_progressBar->hide();
        m_updateButton->setText(tr("Finished"));
        showHint(tr("Software update success"));
        m_mainAppVersion = GetFileVersion(path(ProgramFiles::testProgram()));
        m_versionLabel->setText(tr("MainApp Ver Novrel:%1").arg(m_mainAppVersion));
    }
    m_updating = false;
}
