#pragma once

#include "LiveValues.h"

// One decoded reply of the tester as recorded: when it came and which poll
// group it answered, with every live value as it stood after it (the other
// group's values are those of its latest reply).
struct ReplyRecord
{
    double ms = 0.0; // since the recording began
    int group = 0;
    LiveValues values;
};
