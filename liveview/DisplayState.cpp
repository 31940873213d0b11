#include "DisplayState.h"

DisplayState& DisplayState::global()
{
    static DisplayState state;
    return state;
}
