// Renders the updater's window in each of its states to PNG files for
// review, offscreen, with the updater's style sheet, in Chinese (as users
// see it) and with the English source texts.
//
//     QT_QPA_PLATFORM=offscreen updater_gallery <folder>
#include "BackgroundButton.h"
#include "Gallery.h"
#include "Novrel.h"
#include "ReleaseProblemText.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

namespace {

Gallery g_gallery;

QString text(const char* source)
{
    return QCoreApplication::translate("Novrel", source);
}

// A long but valid FileVersion: four 16-bit numbers.
const QString kLongVersion = QStringLiteral("65535.65535.65535.65535");

void states(const QString& language)
{
    {
        // Started without "Rotaprobe.exe" beside it: an empty version.
        Novrel window;
        g_gallery.save(&window, language + QStringLiteral("_ready_no_version"), true);
    }
    {
        Novrel window;
        window.versionLabel()->setText(text("MainApp Ver:%1").arg(kLongVersion));
        g_gallery.save(&window, language + QStringLiteral("_ready_long_version"), true);
    }
    {
        Novrel window;
        window.versionLabel()->setText(text("MainApp Ver:%1").arg(kLongVersion));
        window.hintLabel()->setText(
            text("Downloading files %1").arg(QStringLiteral("Rotaprobe.exe")));
        window.progressBar()->setValue(40);
        window.progressBar()->show();
        g_gallery.save(&window, language + QStringLiteral("_downloading"), true);
    }
    {
        Novrel window;
        window.versionLabel()->setText(text("MainApp Ver:%1").arg(kLongVersion));
        window.hintLabel()->setText(text("Software download update failed"));
        g_gallery.save(&window, language + QStringLiteral("_failed"), true);
    }
    {
        // A signed release that has expired: the longest of the reasons.
        Novrel window;
        window.versionLabel()->setText(text("MainApp Ver:%1").arg(kLongVersion));
        window.hintLabel()->setText(ReleaseProblemText::text(ReleaseProblem::Expired));
        g_gallery.save(&window, language + QStringLiteral("_refused"), true);
    }
    {
        Novrel window;
        window.updateButton()->setText(text("Finished"));
        window.hintLabel()->setText(text("Software update success"));
        window.versionLabel()->setText(text("MainApp Ver Novrel:%1").arg(kLongVersion));
        g_gallery.save(&window, language + QStringLiteral("_updated"), true);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!g_gallery.begin(argc, argv, "updater_gallery", QStringLiteral("novrel_zh")))
        return 2;
    states(QStringLiteral("novrel_zh"));
    g_gallery.setChinese(false);
    states(QStringLiteral("novrel_en"));
    return 0;
}
