#include "DeviceIdentity.h"

#include <QStringList>

namespace DeviceIdentity {

QString identityText(quint16 vendorId, quint16 productId)
{
    return QStringLiteral("VID_%1&PID_%2")
        .arg(vendorId, 4, 16, QLatin1Char('0'))
        .arg(productId, 4, 16, QLatin1Char('0'))
        .toUpper();
}

bool pathNamesDevice(const QString& interfacePath, quint16 vendorId, quint16 productId)
{
    return interfacePath.contains(identityText(vendorId, productId), Qt::CaseInsensitive);
}

QString interfacePath(quint16 vendorId, quint16 productId, const QString& where)
{
    return QStringLiteral("usb\\") + identityText(vendorId, productId) + QLatin1Char('\\') +
           where;
}

bool parseUdevProduct(const QString& product, quint16* vendorId, quint16* productId)
{
    const QStringList parts = product.split(QLatin1Char('/'));
    if (parts.size() != 3)
        return false;
    bool vendorOk = false;
    bool productOk = false;
    const uint vendor = parts[0].toUInt(&vendorOk, 16);
    const uint id = parts[1].toUInt(&productOk, 16);
    if (!vendorOk || !productOk || vendor > 0xFFFF || id > 0xFFFF)
        return false;
    *vendorId = quint16(vendor);
    *productId = quint16(id);
    return true;
}

} // namespace DeviceIdentity
