#pragma once

// What the configuration dialogs need from the main window, which implements
// it. The dialogs know the main window only through this interface.
class DialogHost
{
public:
    virtual ~DialogHost() = default;

    // Shows "Equipment access error, please check!" in the main window's
    // status bar for 5000 ms and in an error box titled "Error".
    virtual void showAccessError() = 0;

    // Closes the main window's current wait dialog, if any, opens a new
    // WaitDialog as its current one and arms the 10 s timer (OnWaitClose)
    // that closes it at the latest.
    virtual void openWaitDialog() = 0;
};
