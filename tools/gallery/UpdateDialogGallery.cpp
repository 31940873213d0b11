// Renders the test program's update dialog in each phase to PNG files for
// review, offscreen, at the two widths it is opened with, in Chinese (as
// users see it) with the test program's style sheet.
//
//     QT_QPA_PLATFORM=offscreen update_dialog_gallery <folder>
#include "BackgroundButton.h"
#include "Gallery.h"
#include "ReleaseProblemText.h"
#include "UpdateCheck.h"
#include "YSoftNovrel.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

namespace {

Gallery g_gallery;

QString text(const char* source)
{
    return QCoreApplication::translate("YSoftNovrel", source);
}

const QString kInstalled = QStringLiteral("1.0.0.15");
const QString kNewest = QStringLiteral("1.0.0.16");

YSoftNovrel* dialog(int width)
{
    auto* d = new YSoftNovrel(nullptr, text("Soft Novrel"), 35, width, 130);
    d->versionLabel()->setText(text("MainApp Ver:%1").arg(kInstalled));
    return d;
}

void phases(int width)
{
    const QString size = QString::number(width);
    auto save = [&size](YSoftNovrel* d, const char* phase) {
        g_gallery.save(d, QStringLiteral("ysoftnovrel_%1_%2").arg(size, QLatin1String(phase)), true);
        delete d;
    };
    // Ready: before the first press.
    save(dialog(width), "ready");

    // First press, no newer version: the button stays.
    YSoftNovrel* d = dialog(width);
    d->hintLabel()->setText(text("The latest version is:%1").arg(kInstalled));
    d->messageLabel()->setText(text("There is no new version, no need to update!"));
    save(d, "no_newer");

    // First press, newer version: the second phase.
    d = dialog(width);
    d->hintLabel()->setText(text("The latest version is:%1").arg(kNewest));
    d->updateButton()->setText(text("NovrelIng"));
    d->messageLabel()->setText(
        text("Find the latest version,Click OK to close the application, and start the upgrade "
             "program to upgrade to the latest version of the software."));
    save(d, "newer");

    // Second press: the updater is being downloaded.
    d = dialog(width);
    d->hintLabel()->setText(text("The latest version is:%1").arg(kNewest));
    d->updateButton()->setText(text("NovrelIng"));
    d->messageLabel()->hide();
    d->progressBar()->setValue(40);
    d->progressBar()->show();
    save(d, "downloading");

    // Second press, the hand-off refused: the longest reason.
    d = dialog(width);
    d->hintLabel()->setText(text("The latest version is:%1").arg(kNewest));
    d->updateButton()->setText(text("NovrelIng"));
    d->messageLabel()->setText(text("The upgrade program cannot be started: the program folder is "
                                    "not writable and pkexec is not installed."));
    save(d, "no_means");

    // First press, a release not signed by the maker: refused with its reason.
    d = dialog(width);
    d->hintLabel()->setText(text("The latest version is:%1").arg(kNewest));
    d->messageLabel()->setText(ReleaseProblemText::text(ReleaseProblem::Expired));
    save(d, "refused");

    // No answer from the service.
    d = dialog(width);
    d->hintLabel()->setText(text("Software version acquisition failure"));
    save(d, "no_answer");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    UpdateCheck::setServiceRoot(QString()); // a review tool asks no service
    if (!g_gallery.begin(argc, argv, "update_dialog_gallery"))
        return 2;
    phases(400); // from the start-up prompt
    phases(430); // from "SoftwareUpdate"
    return 0;
}
