#pragma once

#include <QObject>
#include <QStringList>

class QtUsb;

// Receives the signals of a QtUsb in the thread it lives in (queued from the
// worker, as the main window does) and records them in arrival order.
// RealReadRet is only counted, the others are listed as "Name(true)" etc.
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    explicit SignalRecorder(QtUsb* usb, QObject* parent = nullptr);

    QStringList results;
    int realReads = 0;
    int usbCloses = 0;

private:
    void add(const char* name, bool ok);
};
