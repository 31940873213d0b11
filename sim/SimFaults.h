#pragma once

// Faults a test scripts into a simulated tester. Counters count down as the
// fault is used; a group of -1 means "no such fault".
struct SimFaults
{
    int writeTimeouts = 0;            // next N interrupt writes time out
    int readTimeouts = 0;             // next N interrupt reads time out (reply lost)
    int statusZeroReplies = 0;        // next N replies carry status 0
    int shortReplies = 0;             // next N replies are 32 bytes long
    int wrongHeaderReplies = 0;       // next N replies carry wrongHeader in bytes 0-1
    int wrongHeader[2] = {0x12, 0x11};
    int oversizedCountReplies = 0;    // next N replies have entry count 13
    int transferDelayMs = 0;          // every transfer takes this long
    int eepromWriteNakGroup = -1;     // EEPROM writes of this group index get status 0
    int eepromReadFailGroup = -1;     // EEPROM reads of this group index get no reply
    bool supplyStuck = false;         // supply writes are acknowledged, but the supply
                                      // (and its EEPROM byte) stays as it is; the reply
                                      // tells the state it kept
    int setConfigurationFailures = 0; // next N usb_set_configuration calls fail
    int claimFailures = 0;            // next N usb_claim_interface calls fail
    // The counted transfer and reply faults above hit only requests whose
    // bytes 0-1 match these (0 matches anything): e.g. 0x12, 0x12 for EEPROM
    // writes, so that polls running meanwhile leave the faults alone; and,
    // when onlyGroup is 0 or more, only requests of that group index.
    int onlyDirection = 0;
    int onlySpace = 0;
    int onlyGroup = -1;
};
