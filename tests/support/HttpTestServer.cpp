// The web server for tests (see HttpTestServer.h).
#include "support/HttpTestServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <condition_variable>
#include <map>
#include <mutex>

struct TServedFile {
    QByteArray Body;
    int Status = 200;
    QByteArray Type;
};

class THttpTestServer::TWorker : public QObject {
public:
    mutable std::mutex Lock;
    std::condition_variable Ready;
    std::map<QString, TServedFile> Files;
    QStringList Targets;
    bool Listening = false;
    int Port = 0;
    QTcpServer* Server = nullptr;

    void Listen() {
        Server = new QTcpServer(this);
        int port = 0;
        if (Server->listen(QHostAddress::LocalHost, 0)) {
            connect(Server, &QTcpServer::newConnection, this, [this] {
                while (QTcpSocket* s = Server->nextPendingConnection()) {
                    s->setParent(this);
                    connect(s, &QTcpSocket::readyRead, this, [this, s] { OnData(s); });
                    connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                }
            });
            port = Server->serverPort();
        }
        {
            std::lock_guard<std::mutex> guard(Lock);
            Port = port;
            Listening = true;
        }
        Ready.notify_all();
    }

    void OnData(QTcpSocket* s) {
        const QByteArray request = s->property("request").toByteArray() + s->readAll();
        s->setProperty("request", request);
        if (!request.contains("\r\n\r\n") || s->property("seen").toBool())
            return;
        s->setProperty("seen", true);
        const QString target = QString::fromLatin1(request.left(request.indexOf('\n')).trimmed().split(' ').value(1));
        const QString path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        TServedFile file{"not found\n", 404, "text/plain"};
        {
            std::lock_guard<std::mutex> guard(Lock);
            Targets << target;
            if (const auto it = Files.find(path); it != Files.end())
                file = it->second;
        }
        s->write("HTTP/1.0 " + QByteArray::number(file.Status) + (file.Status == 200 ? " OK" : " Error") +
                 "\r\nContent-Type: " + file.Type + "\r\nContent-Length: " + QByteArray::number(file.Body.size()) +
                 "\r\nConnection: close\r\n\r\n" + file.Body);
        s->disconnectFromHost();
    }
};

THttpTestServer::THttpTestServer() : Thread(std::make_unique<QThread>()), Worker(new TWorker) {
    Worker->moveToThread(Thread.get());
    QObject::connect(Thread.get(), &QThread::finished, Worker, &QObject::deleteLater);
    // The worker listens as its thread starts and hands the port over under its own lock.
    QObject::connect(
        Thread.get(), &QThread::started, Worker, [worker = Worker] { worker->Listen(); }, Qt::DirectConnection);
    Thread->start();
    std::unique_lock<std::mutex> guard(Worker->Lock);
    Worker->Ready.wait(guard, [this] { return Worker->Listening; });
    Port = Worker->Port;
}

THttpTestServer::~THttpTestServer() {
    Thread->quit();
    Thread->wait();
}

QString THttpTestServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:") + QString::number(Port);
}

void THttpTestServer::Set(const QString& path, const QByteArray& body, int status, const QByteArray& contentType) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Files[path] = TServedFile{body, status, contentType};
}

QStringList THttpTestServer::Targets() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Targets;
}
