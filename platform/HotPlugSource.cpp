#include "HotPlugSource.h"

#ifndef Q_OS_WIN
#include "UdevHotPlugSource.h"
#endif

HotPlugSource* HotPlugSource::createSystemSource(QObject* parent)
{
#ifdef Q_OS_WIN
    Q_UNUSED(parent);
    return nullptr;
#else
    return new UdevHotPlugSource(parent);
#endif
}
