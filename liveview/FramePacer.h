#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Paces what is shown to the screen's rate: request() says there is
// something new to show; frameDue() follows at most once per frame (about
// 60 a second), however many requests came in between, and at the latest one
// frame after the first of them.
//
// Threads: the thread it lives in (the GUI thread).
class FramePacer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFrameMs = 16;

    explicit FramePacer(QObject* parent = nullptr, int frameMs = kFrameMs);

    void request();
    bool pending() const { return m_timer.isActive(); }

signals:
    void frameDue();

private:
    void fire();

    QTimer m_timer;
    QElapsedTimer m_sinceFrame; // since the last frameDue(); invalid before the first
    int m_frameMs;
};
