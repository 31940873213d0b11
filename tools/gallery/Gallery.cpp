#include "Gallery.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QThread>
#include <QWidget>

#include <cstdio>

bool Gallery::begin(int argc, char** argv, const char* program, const QString& catalogue)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", program);
        return false;
    }
    m_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(m_folder);
    QFile sheet(QStringLiteral(":/UI/bluenew"));
    if (sheet.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromLatin1(sheet.readAll()));
    if (m_translator.load(QStringLiteral(":/UI/") + catalogue))
        QApplication::installTranslator(&m_translator);
    return true;
}

void Gallery::setChinese(bool chinese)
{
    if (chinese)
        QApplication::installTranslator(&m_translator);
    else
        QApplication::removeTranslator(&m_translator);
}

void Gallery::save(QWidget* widget, const QString& name, bool matte, const QColor& matteColour)
{
    widget->show();
    // Layout requests cascade (a box refits, then its window): let them settle.
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QPixmap grabbed = widget->grab();
    const int border = matte ? 20 : 0;
    QImage canvas(grabbed.size() + QSize(2 * border, 2 * border), QImage::Format_ARGB32);
    canvas.fill(matteColour);
    QPainter painter(&canvas);
    painter.drawPixmap(border, border, grabbed);
    painter.end();
    const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
    canvas.save(path);
    // The window's own size beside the file, for comparing with the design.
    std::printf("%s  %dx%d\n", qPrintable(path), widget->width(), widget->height());
}

void Gallery::run(int ms, const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && !(done && done())) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}
