#include "SignalRecorder.h"

#include "QtUsb.h"

SignalRecorder::SignalRecorder(QtUsb* usb, QObject* parent) : QObject(parent)
{
    connect(usb, &QtUsb::RealReadRet, this, [this] { ++realReads; });
    connect(usb, &QtUsb::EEpWriteRet, this, [this](bool ok) { add("EEpWriteRet", ok); });
    connect(usb, &QtUsb::EEpReadRet, this, [this](bool ok) { add("EEpReadRet", ok); });
    connect(usb, &QtUsb::ResetRet, this, [this](bool ok) { add("ResetRet", ok); });
    connect(usb, &QtUsb::ClearLineLockRet, this, [this](bool ok) { add("ClearLineLockRet", ok); });
    connect(usb, &QtUsb::EncoderPowerRet, this, [this](bool ok) { add("EncoderPowerRet", ok); });
    connect(usb, &QtUsb::UsbClose, this, [this] {
        ++usbCloses;
        results.append(QStringLiteral("UsbClose"));
    });
}

void SignalRecorder::add(const char* name, bool ok)
{
    results.append(QString::fromLatin1(name) +
                   (ok ? QStringLiteral("(true)") : QStringLiteral("(false)")));
}
