#include "WaitDialog.h"

#include <QLabel>
#include <QMovie>

WaitDialog::WaitDialog(QWidget* parent)
    : QDialog(parent), m_movie(new QMovie(QStringLiteral(":/UI/wait"), QByteArray())),
      m_label(new QLabel(this))
{
    setFixedSize(100, 100);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setContentsMargins(0, 0, 0, 0);
    m_label->setContentsMargins(0, 0, 0, 0);
    m_label->setMovie(m_movie);
    m_movie->start();
    m_label->resize(100, 100);
    setWindowModality(Qt::ApplicationModal);
}

WaitDialog::~WaitDialog()
{
    delete m_label;
    delete m_movie;
}

void WaitDialog::OnWaitClose()
{
    close();
}
