// A web server for tests: real HTTP/1.0 on 127.0.0.1 in a thread of its own (the code under
// test often blocks the thread that calls it), answering GET requests with what is set for
// their path, else for the longest prefix of their target (path and query), else the default
// answer (404). Statuses queued ahead answer the next requests whatever they ask; a held
// server answers nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class THttpTestServer {
public:
    THttpTestServer();
    ~THttpTestServer();
    THttpTestServer(const THttpTestServer&) = delete;
    THttpTestServer& operator=(const THttpTestServer&) = delete;

    // "http://127.0.0.1:<port>".
    QString BaseUrl() const;
    // What a GET of `path` (such as "/a/b.bin", without the query) is answered with.
    void Set(const QString& path, const QByteArray& body, int status = 200,
             const QByteArray& contentType = "application/octet-stream");
    // What a GET whose target begins with `prefix` is answered with, when no path matches.
    void SetPrefix(const QString& prefix, const QByteArray& body, int status, const QByteArray& contentType);
    // The answer to what nothing else matches (a 404 "not found" at first).
    void SetDefault(const QByteArray& body, int status, const QByteArray& contentType);
    // The next request is answered with this status and body whatever it asks.
    void QueueStatus(int status, const QByteArray& body);
    // Requests get no answer while held.
    void Hold(bool hold);
    // Every request received, in order: its target and its User-Agent.
    QStringList Targets() const;
    QStringList Agents() const;

    class TWorker;

private:
    std::unique_ptr<class QThread> Thread;
    TWorker* Worker = nullptr;
    int Port = 0;
};
