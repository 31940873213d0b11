#pragma once

#include <QString>

// One query to the update service: a POST of a form body to the query
// endpoint, waited for in a local event loop on the calling thread.
class UpdateQuery
{
public:
    static constexpr int kTimeoutMs = 15000;

    // The reply body as text. "" when the service does not answer within
    // the time-out (no answer); the body of an error reply otherwise.
    static QString exchange(const QString& body, const QString& root, int timeoutMs = kTimeoutMs);

    struct Answer
    {
        bool answered = false; // HTTP 200 within the time-out, no network error
        QString body;
    };
    // The same exchange, telling a real answer from a failed one.
    static Answer ask(const QString& body, const QString& root, int timeoutMs = kTimeoutMs);
};
