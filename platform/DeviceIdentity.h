#pragma once

#include <QString>
#include <QtGlobal>

// The identity text by which interface paths name a USB device.
namespace DeviceIdentity {

// "VID_0388&PID_0004": four upper-case hexadecimal digits each.
QString identityText(quint16 vendorId, quint16 productId);

// True when the path contains the identity text, in any case.
bool pathNamesDevice(const QString& interfacePath, quint16 vendorId, quint16 productId);

// A path in the Windows form for a device seen elsewhere:
// "usb\VID_0388&PID_0004\<where>".
QString interfacePath(quint16 vendorId, quint16 productId, const QString& where);

// Reads udev's PRODUCT value ("388/4/100": vendor, product and release in
// hexadecimal without padding). False when it is not of that form.
bool parseUdevProduct(const QString& product, quint16* vendorId, quint16* productId);

} // namespace DeviceIdentity
