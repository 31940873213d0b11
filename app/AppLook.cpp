#include "AppLook.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QFile>
#include <QTranslator>
#include <QWidget>

void loadStyleSheet(const QString& name)
{
    QFile file(QStringLiteral(":/UI/%1").arg(name));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    else // a program linked without its resource collection: say so
        qWarning("AppLook: stylesheet %s not found", qPrintable(file.fileName()));
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    qApp->setStyleSheet(QString::fromLatin1(bytes));
}

void loadTranslator()
{
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral(":/UI/tesvane_zh"), QString(), QString(), QString()))
        qWarning("AppLook: catalogue :/UI/tesvane_zh not found");
    QCoreApplication::installTranslator(translator);
}

void centerOnDesktop(QWidget* w)
{
    QDesktopWidget desktop;
    const int x = desktop.width() / 2 - w->width() / 2;
    const int y = desktop.height() / 2 - w->height() / 2;
    w->move(x, y);
}
