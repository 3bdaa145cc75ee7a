// The web service for tests (see MusicBrainzTestServer.h).
#include "metadata/MusicBrainzTestServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

class TWebTestServer::TWorker : public QObject {
public:
    mutable std::mutex Lock;
    std::condition_variable Ready;
    std::map<QString, QPair<int, QByteArray>> Answers;
    std::deque<int> Queued;
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
                }
            });
            port = Server->serverPort();
        }
        std::lock_guard<std::mutex> guard(Lock);
        Port = port;
        Listening = true;
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
        QString agent;
        for (const QByteArray& l : lines)
            if (l.toLower().startsWith("user-agent:"))
                agent = QString::fromLatin1(l.mid(11).trimmed());
        int status = 404;
        QByteArray body = "{\"error\": \"Not Found\", \"help\": \"test server\"}";
        {
            std::lock_guard<std::mutex> guard(Lock);
            Targets << target;
            Agents << agent;
            if (Holding)
                return;
            if (!Queued.empty()) {
                status = Queued.front();
                Queued.pop_front();
                body = "{\"error\": \"queued status\"}";
            } else {
                qsizetype best = -1;
                for (const auto& [prefix, answer] : Answers)
                    if (target.startsWith(prefix) && prefix.size() > best) {
                        best = prefix.size();
                        status = answer.first;
                        body = answer.second;
                    }
            }
        }
        s->write("HTTP/1.0 " + QByteArray::number(status) +
                 " Test\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }
};

TWebTestServer::TWebTestServer() : Thread(std::make_unique<QThread>()), Worker(new TWorker) {
    Worker->moveToThread(Thread.get());
    QObject::connect(Thread.get(), &QThread::finished, Worker, &QObject::deleteLater);
    QObject::connect(
        Thread.get(), &QThread::started, Worker, [worker = Worker] { worker->Listen(); }, Qt::DirectConnection);
    Thread->start();
    std::unique_lock<std::mutex> guard(Worker->Lock);
    Worker->Ready.wait(guard, [this] { return Worker->Listening; });
    ListenPort = Worker->Port;
}

TWebTestServer::~TWebTestServer() {
    Thread->quit();
    Thread->wait();
}

void TWebTestServer::SetAnswer(const QString& prefix, int status, const QByteArray& body) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Answers[prefix] = {status, body};
}

void TWebTestServer::QueueStatus(int status) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Queued.push_back(status);
}

void TWebTestServer::Hold(bool hold) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Holding = hold;
}

QStringList TWebTestServer::Targets() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Targets;
}

QStringList TWebTestServer::Agents() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Agents;
}
