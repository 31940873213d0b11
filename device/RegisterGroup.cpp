#include "RegisterGroup.h"

bool RegisterGroup::append(quint16 address, quint16 value)
{
    if (count < 0 || count >= kSlots)
        return false;
    addresses[size_t(count)] = address;
    values[size_t(count)] = value;
    ++count;
    return true;
}
