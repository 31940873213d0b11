#pragma once

#include <QString>

// What the menu entry's `rotaprobe-dashboard --open` needs besides the
// server: the page's address for a browser, whether a dashboard already
// answers on an address (started before, by this user or another), and
// the desktop's browser (xdg-open) showing the page.
class DashboardLauncher
{
public:
    // http://HOST:PORT/ for a browser on this computer: an address that
    // listens on every network is reached through the loopback one; IPv6
    // in brackets.
    static QString pageAddress(const QString& host, int port);

    // Whether the line dashboard's page is served at `host`:`port` (asked
    // for it, waiting at most a few seconds).
    static bool answers(const QString& host, int port);

    // Starts the desktop's browser on `url` without waiting for it; false
    // when it cannot be started.
    static bool openBrowser(const QString& url);
};
