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
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    qApp->setStyleSheet(QString::fromLatin1(bytes));
}

void loadTranslator()
{
    auto* translator = new QTranslator(qApp);
    translator->load(QStringLiteral(":/UI/tesvane_zh"), QString(), QString(), QString());
    QCoreApplication::installTranslator(translator);
}

void centerOnDesktop(QWidget* w)
{
    QDesktopWidget desktop;
    const int x = desktop.width() / 2 - w->width() / 2;
    const int y = desktop.height() / 2 - w->height() / 2;
    w->move(x, y);
}
