#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

// The large panel of the station: a title (READY, TESTING, PASS, FAIL,
// ABORTED...) on a band of its colour, with lines of text under it.
class VerdictBanner : public QWidget
{
    Q_OBJECT

public:
    explicit VerdictBanner(QWidget* parent = nullptr);

    void setBanner(const QString& title, const QColor& colour, const QStringList& lines);
    const QString& title() const { return m_title; }
    const QStringList& lines() const { return m_lines; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QColor m_colour;
    QStringList m_lines;
};
