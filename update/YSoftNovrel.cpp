#include "YSoftNovrel.h"

#include "BackgroundButton.h"
#include "GrowingGroupBox.h"
#include "Fade.h"
#include "ProgramFiles.h"
#include "ReleaseFetch.h"
#include "ReleaseProblemText.h"
#include "SecureFolder.h"
#include "UpdateCheck.h"
#include "UpdateProtocol.h"
#include "UpdateQuery.h"
#include "UpdateButtonRow.h"
#include "UpdateRoutines.h"
#include "iHttpDownloadS.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QColor kBlue(30, 144, 255);
const QColor kRed(205, 85, 85);
constexpr int kGroupWidth = 420;
constexpr int kGroupHeight = 160;
constexpr int kBodyMargin = 10;
constexpr int kFrameSides = 4; // the frame's left and right pieces

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QHBoxLayout* row(QVBoxLayout* into)
{
    // Not aligned: an aligned row gets its size hint's height, not the
    // height its word-wrapped label needs at its width (a third line was
    // cut off). The closing stretch keeps the rows at the top.
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    into->addLayout(layout);
    return layout;
}

} // namespace

YSoftNovrel::YSoftNovrel(QWidget* parent, const QString& title, int titleHeight, int width,
                         int height)
    : YDialog(parent, title, titleHeight, width, height, 0),
      m_serviceRoot(UpdateCheck::serviceRoot()), m_folder(UpdateCheck::programFolder()),
      m_queryTimeoutMs(UpdateQuery::kTimeoutMs)
{
    buildBody(width);
    connect(m_updateButton, &BackgroundButton::clicked, this, &YSoftNovrel::OnOk);
    connect(m_cancelButton, &BackgroundButton::clicked, this, &YSoftNovrel::On_closeCancel);
    hideSysButtons();
}

void YSoftNovrel::buildBody(int width)
{
    QWidget* body = bodyWidget();
    body->setObjectName(QStringLiteral("WorkSpace"));
    auto* layout = new QVBoxLayout(body);
    layout->setAlignment(Qt::AlignTop);
    layout->setContentsMargins(kBodyMargin, kBodyMargin, kBodyMargin, kBodyMargin);
    layout->setSpacing(5);

    // The box is 420 wide where the window allows; in the narrower windows
    // it takes the body's width, so the window keeps the width it was given.
    const int groupWidth = qMin(kGroupWidth, width - kFrameSides - 2 * kBodyMargin);
    m_group = new GrowingGroupBox(tr("Soft Novrel"), groupWidth, kGroupHeight, body);
    // The rows sit at the top through a closing stretch: an aligned layout
    // would give the word-wrapped labels the width of their widest sibling.
    auto* inner = new QVBoxLayout(m_group);
    inner->setContentsMargins(20, 30, 15, 5);
    inner->setSpacing(20);

    m_mainAppVersion = GetFileVersion(QDir(m_folder).filePath(ProgramFiles::testProgram()));
    m_versionLabel = new QLabel(tr("MainApp Ver:%1").arg(m_mainAppVersion), m_group);
    m_hintLabel = new QLabel(
        tr("Click the update button to obtain the latest version information, and update."),
        m_group);
    m_hintLabel->setWordWrap(true);
    m_hintLabel->setFixedHeight(50);
    m_messageLabel = new QLabel(m_group);
    m_messageLabel->setWordWrap(true);
    m_progressBar = new QProgressBar(m_group);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->hide();
    // Texts from outside are never read as markup.
    for (QLabel* label : {m_versionLabel, m_hintLabel, m_messageLabel})
        label->setTextFormat(Qt::PlainText);
    row(inner)->addWidget(m_versionLabel);
    row(inner)->addWidget(m_hintLabel);
    QHBoxLayout* last = row(inner);
    last->addWidget(m_messageLabel);
    last->addWidget(m_progressBar);
    inner->addStretch(1);
    setTextColour(m_hintLabel, kBlue);
    setTextColour(m_versionLabel, kBlue);
    setTextColour(m_group, kBlue);
    setTextColour(m_messageLabel, kRed);
    layout->addWidget(m_group);
    fitLongestTexts();

    const UpdateButtonRow buttons(body, tr("Novrel"), tr("Cancel"), 28);
    m_updateButton = buttons.updateButton();
    m_cancelButton = buttons.cancelButton();
    layout->addLayout(buttons.layout());
}

void YSoftNovrel::fitLongestTexts()
{
    // The box only grows: sized here for every message it may show, the
    // dialog keeps one size from the first press to the last.
    const QStringList messages = {
        tr("Find the latest version,Click OK to close the application, and start the "
           "upgrade program to upgrade to the latest version of the software."),
        tr("There is no new version, no need to update!"),
        tr("Software update failed"),
        tr("The upgrade program was not started: the administrator rights were refused."),
        tr("The upgrade program was not found."),
        tr("The upgrade program cannot be started: the program folder is not writable and "
           "pkexec is not installed."),
        tr("The upgrade program could not be started."),
        ReleaseProblemText::text(ReleaseProblem::NoKey),
        ReleaseProblemText::text(ReleaseProblem::NotSigned),
        ReleaseProblemText::text(ReleaseProblem::Mismatch),
        ReleaseProblemText::text(ReleaseProblem::NotNewer),
        ReleaseProblemText::text(ReleaseProblem::Expired),
        ReleaseProblemText::text(ReleaseProblem::BadFile),
        ReleaseProblemText::text(ReleaseProblem::TimedOut)};
    for (const QString& message : messages) {
        m_messageLabel->setText(message);
        m_group->layout()->activate();
        m_group->fit();
    }
    m_messageLabel->clear();
    m_group->layout()->activate();
}

void YSoftNovrel::On_closeOk()
{
    YDialog::On_closeOk();
}

void YSoftNovrel::On_closeCancel()
{
    m_closed = true;
    if (m_downloader)
        m_downloader->abortDownload();
    connect(Fade::fadeOut(this), &QPropertyAnimation::finished, this, &QWidget::close);
}

void YSoftNovrel::done(int result)
{
    // Closed by any path (title-bar button, Escape, Cancel): a query or
    // download still under way ends without a hand-off.
    m_closed = true;
    if (m_downloader)
        m_downloader->abortDownload();
    YDialog::done(result);
}

void YSoftNovrel::showMessage(const QString& text)
{
    m_progressBar->hide();
    m_messageLabel->setText(text);
    m_messageLabel->show();
}

std::optional<QString> YSoftNovrel::askVersion(const char* body)
{
    if (m_serviceRoot.isEmpty())
        return std::nullopt;
    const UpdateQuery::Answer answer =
        UpdateQuery::ask(QString::fromLatin1(body), m_serviceRoot, m_queryTimeoutMs);
    return UpdateCheck::announcedVersion(answer.answered, answer.body);
}

void YSoftNovrel::OnOk()
{
    // Pressed again from inside a running query or download: ignored.
    if (m_busy || m_closed)
        return;
    m_busy = true;
    if (m_updateButton->text() == tr("Novrel")) {
        GetNovrelInfo();
    } else if (NovrelApp() && !m_closed) {
        handOff();
    }
    m_busy = false;
}

void YSoftNovrel::GetNovrelInfo()
{
    const std::optional<QString> announced = askVersion(UpdateProtocol::kSoftVer);
    if (m_closed)
        return;
    if (!announced) {
        m_hintLabel->setText(tr("Software version acquisition failure"));
        m_messageLabel->clear();
        return;
    }
    m_hintLabel->setText(tr("The latest version is:%1").arg(*announced));
    if (IsNewerVersion(*announced, m_mainAppVersion)) {
        // Offered only when the maker's signed release says the same.
        const ReleaseFetch::Result release = ReleaseFetch::fetch(m_serviceRoot, m_queryTimeoutMs);
        if (m_closed)
            return;
        ReleaseProblem problem = release.problem;
        if (problem == ReleaseProblem::None)
            problem = ReleaseTrust::checkRelease(release.manifest, *announced, m_mainAppVersion);
        if (problem != ReleaseProblem::None) {
            showMessage(ReleaseProblemText::text(problem));
            return;
        }
        m_release = release.manifest;
        m_updateButton->setText(tr("NovrelIng"));
        showMessage(tr("Find the latest version,Click OK to close the application, and start the "
                       "upgrade program to upgrade to the latest version of the software."));
    } else {
        showMessage(tr("There is no new version, no need to update!"));
    }
}

bool YSoftNovrel::NovrelApp()
{
    const std::optional<QString> announced = askVersion(UpdateProtocol::kSoftNovrelVer);
    if (m_closed)
        return false;
    if (!announced) {
        m_hintLabel->setText(tr("Software version acquisition failure"));
        return false;
    }
    if (*announced != m_release.updaterVersion) {
        showMessage(ReleaseProblemText::text(ReleaseProblem::Mismatch));
        return false;
    }
    const QString installed = QDir(m_folder).filePath(ProgramFiles::updater());
    if (!IsNewerVersion(*announced, GetFileVersion(installed)))
        return true; // the installed updater is used unchanged
    // A folder that is not the operator's own (an installed package) is not
    // the operator's to write: the installed updater, started with the
    // rights to install, brings the release, itself included, up to date.
    if (!ElevationRoute::isOwnFolder(m_folder))
        return true;
    return refreshUpdater(*announced);
}

bool YSoftNovrel::refreshUpdater(const QString& announced)
{
    const QString name = ProgramFiles::updater();
    const QString installed = QDir(m_folder).filePath(name);
    const QString downloads = m_folder + QStringLiteral("/NovrelTemp");
    const QString backups = m_folder + QStringLiteral("/OldFile");
    if (m_release.updater.name != name) {
        showMessage(ReleaseProblemText::text(ReleaseProblem::Mismatch));
        return false;
    }
    if (!SecureFolder::prepare(downloads) || !SecureFolder::prepare(backups)) {
        showMessage(tr("Software update failed"));
        return false;
    }
    CopyFileOver(installed, backups + QLatin1Char('/') + name, backups, true);

    const QString target = downloads + QLatin1Char('/') + name;
    if (!downloadUpdater(target))
        return false;
    // Only the signed updater of the announced version replaces the
    // installed one: a page from a proxy or a sign-in portal, a damaged or
    // altered file or another version is no updater, and it does not stay
    // to be installed later either.
    if (!ReleaseTrust::matches(target, m_release.updater) || GetFileVersion(target) != announced) {
        QFile::remove(target);
        showMessage(ReleaseProblemText::text(ReleaseProblem::BadFile));
        return false;
    }
    m_progressBar->hide();
    // If it cannot be replaced (in use), the previous updater is started.
    // A download is written without execute permission, and the replaced
    // file keeps its own: the updater must be runnable either way.
    if (CopyFileOver(target, installed, m_folder, true))
        QFile::setPermissions(installed, QFile::permissions(installed) | QFile::ExeOwner |
                                             QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther);
    return true;
}

bool YSoftNovrel::downloadUpdater(const QString& target)
{
    if (!m_downloader)
        m_downloader = new iHttpDownloadS(this, m_progressBar);
    m_downloader->setMaxBytes(m_release.updater.size);
    const QUrl url(UpdateProtocol::updaterUrl(m_serviceRoot), QUrl::TolerantMode);
    if (!m_downloader->startDownload(url, target)) {
        showMessage(tr("Software update failed"));
        return false;
    }
    m_messageLabel->hide();
    m_progressBar->show();
    const bool downloaded = m_downloader->waitUntilFinished();
    if (m_closed)
        return false;
    if (!downloaded) {
        QFile::remove(target);
        const bool tooLarge = m_downloader->lastError() == QLatin1String("Error:File too large.");
        showMessage(tooLarge ? ReleaseProblemText::text(ReleaseProblem::BadFile)
                             : tr("Software update failed"));
        return false;
    }
    return true;
}

void YSoftNovrel::handOff()
{
    const ElevatedStart outcome =
        StartElevated(QDir(m_folder).absoluteFilePath(ProgramFiles::updater()));
    emit handOffTried(outcome);
    switch (outcome) {
    case ElevatedStart::Started:
        QCoreApplication::quit();
        On_closeOk();
        return;
    case ElevatedStart::Refused:
        showMessage(tr("The upgrade program was not started: the administrator rights were "
                       "refused."));
        return;
    case ElevatedStart::NotFound:
        showMessage(tr("The upgrade program was not found."));
        return;
    case ElevatedStart::NoMeans:
        showMessage(tr("The upgrade program cannot be started: the program folder is not "
                       "writable and pkexec is not installed."));
        return;
    case ElevatedStart::Failed:
        break;
    }
    showMessage(tr("The upgrade program could not be started."));
}
