// A web server for tests: real HTTP/1.0 on 127.0.0.1 in a thread of its own (the code under
// test often blocks the thread that calls it), answering GET requests from files set by path.
// Paths without a file get 404.
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
    // Every request target received, in order.
    QStringList Targets() const;

    class TWorker;

private:
    std::unique_ptr<class QThread> Thread;
    TWorker* Worker = nullptr;
    int Port = 0;
};
