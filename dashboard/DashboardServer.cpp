#include "DashboardServer.h"

#include "DashboardData.h"
#include "DashboardRequest.h"
#include "ResultStore.h"

#include <httplib.h>

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The page's own files and the chart library only; no inline script or style.
const char* const kPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "base-uri 'none'; form-action 'self'; frame-ancestors 'none'";

void json(httplib::Response& response, int status, const QJsonObject& body)
{
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                         "application/json; charset=utf-8");
}

void refuse(httplib::Response& response, int status, const QString& reason)
{
    json(response, status, QJsonObject{{QStringLiteral("error"), reason}});
}

} // namespace

// The page and the chart library, linked from a static library: their
// resources are registered by hand (outside any namespace, as Qt asks).
static void registerResources()
{
    Q_INIT_RESOURCE(dashboard);
    Q_INIT_RESOURCE(vendor);
}

// One pool thread's store and the panels read through it.
struct DashboardServer::Reader
{
    Reader(const StoreLocation& location, qint64 idleMs)
        : store(location, StoreLocation::defaultSpoolPath()), data(store, idleMs)
    {
    }
    ResultStore store;
    DashboardData data;
};

DashboardServer::DashboardServer(const StoreLocation& location, qint64 idleMs)
    : m_location(location), m_idleMs(idleMs), m_server(std::make_unique<httplib::Server>())
{
    registerResources();
    m_server->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    m_server->set_read_timeout(kReadTimeoutS, 0);
    m_server->set_write_timeout(kReadTimeoutS, 0);
    m_server->set_payload_max_length(4096);
    // An answer goes out at once: on a connection the browser keeps open,
    // its last segment otherwise waited for the browser's delayed
    // acknowledgement (some 40 ms per panel).
    m_server->set_tcp_nodelay(true);
    // Where the system has SO_REUSEPORT, cpp-httplib sets it, with which a
    // second dashboard (on another store, perhaps) bound the same port and
    // the system shared the requests between the two. Reusing the address
    // of connections still closing is enough. (Elsewhere its default takes
    // the address exclusively.)
#ifdef SO_REUSEPORT
    m_server->set_socket_options([](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
#endif
    m_server->set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                   {"Content-Security-Policy", kPolicy},
                                   {"Referrer-Policy", "no-referrer"},
                                   {"X-Frame-Options", "DENY"}});
    routes();
}

DashboardServer::~DashboardServer()
{
    stop();
}

bool DashboardServer::bind(const QString& host, int port, QString* error)
{
    const std::string address = host.toStdString();
    m_port = port == 0 ? m_server->bind_to_any_port(address)
                       : (m_server->bind_to_port(address, port) ? port : -1);
    if (m_port > 0)
        return true;
    *error = tr("Cannot listen on %1:%2 (in use, or not an address of this computer).")
                 .arg(host)
                 .arg(port);
    return false;
}

void DashboardServer::run()
{
    m_server->listen_after_bind();
}

void DashboardServer::stop()
{
    if (m_server->is_running())
        m_server->stop();
}

DashboardServer::Reader& DashboardServer::reader()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    std::unique_ptr<Reader>& reader = m_stores[std::this_thread::get_id()];
    if (!reader)
        reader = std::make_unique<Reader>(m_location, m_idleMs);
    return *reader;
}

void DashboardServer::file(const QString& resource, const char* type, httplib::Response& response)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        response.status = 404;
        return;
    }
    const QByteArray bytes = file.readAll();
    response.set_header("Cache-Control", "no-cache");
    response.set_content(bytes.constData(), size_t(bytes.size()), type);
}

void DashboardServer::routes()
{
    struct Page
    {
        const char* path;
        const char* resource;
        const char* type;
    };
    static const Page pages[] = {
        {"/", ":/dashboard/index.html", "text/html; charset=utf-8"},
        {"/dashboard.js", ":/dashboard/dashboard.js", "text/javascript; charset=utf-8"},
        {"/dashboard.css", ":/dashboard/dashboard.css", "text/css; charset=utf-8"},
        {"/test.html", ":/dashboard/test.html", "text/html; charset=utf-8"},
        {"/test.js", ":/dashboard/test.js", "text/javascript; charset=utf-8"},
        {"/vendor/chart.min.js", ":/vendor/chart.min.js", "text/javascript; charset=utf-8"},
        {"/vendor/chart.js-copyright.txt", ":/vendor/chart.js-copyright.txt",
         "text/plain; charset=utf-8"},
    };
    for (const Page& page : pages)
        m_server->Get(page.path, [this, page](const httplib::Request&, httplib::Response& res) {
            file(QLatin1String(page.resource), page.type, res);
        });
    m_server->Get(R"(/api/([a-z]+))", [this](const httplib::Request& req, httplib::Response& res) {
        api(req, res);
    });
    // Read-only: every other method, on any path.
    const auto notAllowed = [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Allow", "GET, HEAD");
        refuse(res, 405, tr("only GET and HEAD are answered"));
    };
    m_server->Post(".*", notAllowed);
    m_server->Put(".*", notAllowed);
    m_server->Patch(".*", notAllowed);
    m_server->Delete(".*", notAllowed);
    m_server->Options(".*", notAllowed);
}

void DashboardServer::api(const httplib::Request& req, httplib::Response& res)
{
    const QString panel = QString::fromStdString(req.matches[1]);
    QVector<QPair<QString, QString>> parameters;
    qint64 id = 0;
    for (const auto& [name, value] : req.params) {
        const QString key = QString::fromUtf8(name.c_str());
        const QString text = QString::fromUtf8(value.c_str());
        if (panel == QLatin1String("test") && key == QLatin1String("id")) {
            bool ok = false;
            id = text.toLongLong(&ok);
            if (!ok || id <= 0 || id > (qint64(1) << 53)) {
                refuse(res, 400, tr("parameter \"id\" is a test number"));
                return;
            }
            continue;
        }
        parameters.append({key, text});
    }
    QString error;
    const auto request =
        DashboardRequest::parse(parameters, QDateTime::currentDateTimeUtc().date(), &error);
    if (!request) {
        refuse(res, 400, error);
        return;
    }
    DashboardData& data = reader().data;
    std::optional<QJsonObject> body;
    if (panel == QLatin1String("tiles"))
        body = data.tiles(*request, QDateTime::currentDateTimeUtc(), &error);
    else if (panel == QLatin1String("yield"))
        body = data.yield(*request, &error);
    else if (panel == QLatin1String("pareto"))
        body = data.pareto(*request, &error);
    else if (panel == QLatin1String("latest"))
        body = data.latest(*request, &error);
    else if (panel == QLatin1String("figure"))
        body = data.figure(*request, &error);
    else if (panel == QLatin1String("filters"))
        body = data.filters(*request, &error);
    else if (panel == QLatin1String("test")) {
        if (id == 0) {
            refuse(res, 400, tr("parameter \"id\" is missing"));
            return;
        }
        body = data.test(id, &error);
        if (!body && error.isEmpty()) {
            refuse(res, 404, tr("no test %1").arg(id));
            return;
        }
    } else {
        refuse(res, 404, tr("no panel \"%1\"").arg(panel));
        return;
    }
    if (!body) {
        json(res, 503,
             QJsonObject{{QStringLiteral("error"), error},
                         {QStringLiteral("store_unreachable"), true}});
        return;
    }
    json(res, 200, *body);
}
