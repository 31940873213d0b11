#pragma once

#include "ConfigRecord.h"
#include "RegisterGroup.h"

// The groups of EEPROM addresses that read or write the whole configuration.
namespace EepromImage {

// Two groups of 12 and 6 addresses, low byte of every 32-bit field first.
RegisterGroupList readGroups();

// The 17 (address, byte) entries of the record in their fixed order, cut
// into groups of at most 12: 12 and 5. The encoder supply is not written.
RegisterGroupList writeGroups(const ConfigRecord& record);

} // namespace EepromImage
