// The web server for tests (see HttpTestServer.h).
#include "support/HttpTestServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <condition_variable>
#include <deque>
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
    std::map<QString, TServedFile> Prefixes;
    TServedFile Default{"not found\n", 404, "text/plain"};
    std::deque<TServedFile> Queued;
    bool Holding = false;
    QStringList Targets;
    QStringList Agents;
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
        const QList<QByteArray> lines = request.left(request.indexOf("\r\n\r\n")).split('\n');
        const QString target = QString::fromLatin1(lines.value(0).trimmed().split(' ').value(1));
        const QString path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        QString agent;
        for (const QByteArray& l : lines)
            if (l.toLower().startsWith("user-agent:"))
                agent = QString::fromLatin1(l.mid(11).trimmed());
        TServedFile file;
        {
            std::lock_guard<std::mutex> guard(Lock);
            Targets << target;
            Agents << agent;
            if (Holding)
                return;
            file = Default;
            qsizetype best = -1;
            if (!Queued.empty()) {
                file = Queued.front();
                Queued.pop_front();
            } else if (const auto it = Files.find(path); it != Files.end()) {
                file = it->second;
            } else {
                for (const auto& [prefix, answer] : Prefixes)
                    if (target.startsWith(prefix) && prefix.size() > best) {
                        best = prefix.size();
                        file = answer;
                    }
            }
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

void THttpTestServer::SetPrefix(const QString& prefix, const QByteArray& body, int status,
                                const QByteArray& contentType) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Prefixes[prefix] = TServedFile{body, status, contentType};
}

void THttpTestServer::SetDefault(const QByteArray& body, int status, const QByteArray& contentType) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Default = TServedFile{body, status, contentType};
}

void THttpTestServer::QueueStatus(int status, const QByteArray& body) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Queued.push_back(TServedFile{body, status, Worker->Default.Type});
}

void THttpTestServer::Hold(bool hold) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Holding = hold;
}

QStringList THttpTestServer::Targets() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Targets;
}

QStringList THttpTestServer::Agents() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Agents;
}
