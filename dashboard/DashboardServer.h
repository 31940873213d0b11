#pragma once

#include "DashboardData.h"
#include "StoreLocation.h"

#include <QCoreApplication>
#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

class ResultStore;

// rotaprobe-dashboard's HTTP server (cpp-httplib): the page and its files
// from the program's resources, the chart library kept beside its licence,
// and the JSON of each panel under /api/. Read-only: GET and HEAD only,
// any other method answers 405; unknown or malformed parameters 400 with
// the reason; a store that cannot be read 503 (the page shows a banner and
// asks again); every answer says what it is (nosniff) and the page runs no
// script but its own (Content-Security-Policy).
//
// Threads: bind() and stop() on the owner's thread; run() blocks the
// thread that calls it while the server's pool (kThreads) answers the
// requests. Each pool thread reads through a store of its own (Qt SQL
// connections stay on their thread), made on its first request; m_lock
// guards m_stores only.
class DashboardServer
{
    Q_DECLARE_TR_FUNCTIONS(DashboardServer)

public:
    static constexpr int kThreads = 4;
    static constexpr int kReadTimeoutS = 5;

    // A station's tile reads "idle" when it has stored nothing for `idleMs`.
    explicit DashboardServer(const StoreLocation& location,
                             qint64 idleMs = DashboardData::kIdleMs);
    ~DashboardServer();

    // Binds the address (port 0: any free port); on error returns false
    // and sets `error`.
    bool bind(const QString& host, int port, QString* error);
    int port() const { return m_port; }
    void run();
    void stop();

private:
    struct Reader;

    void routes();
    Reader& reader();
    void api(const httplib::Request& request, httplib::Response& response);
    void file(const QString& resource, const char* type, httplib::Response& response);

    StoreLocation m_location;
    qint64 m_idleMs;
    std::unique_ptr<httplib::Server> m_server;
    int m_port = 0;
    std::mutex m_lock;
    std::map<std::thread::id, std::unique_ptr<Reader>> m_stores;
};
