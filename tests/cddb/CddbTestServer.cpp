// The CDDB test server (see CddbTestServer.h).
#include "cddb/CddbTestServer.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

QString QueryValue(const QString& target, const QString& name) {
    const qsizetype q = target.indexOf('?');
    if (q < 0)
        return QString();
    for (const QString& pair : target.mid(q + 1).split('&')) {
        if (!pair.startsWith(name + '='))
            continue;
        QByteArray value = pair.mid(name.size() + 1).toLatin1();
        value.replace('+', ' ');
        return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
    }
    return QString();
}

} // namespace

class TCddbTestServer::TWorker : public QObject {
    Q_OBJECT
public:
    mutable std::mutex Lock;
    mutable std::condition_variable Arrived;
    std::map<QString, QByteArray> Answers;
    bool Holding = false;
    QStringList Targets;
    QStringList Commands;
    QStringList Hellos;
    QStringList Agents;
    bool Listening = false;
    int Port = 0; // guarded by Lock once Listening
    QTcpServer* Server = nullptr;
    QList<QTcpSocket*> Held;

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
        {
            std::lock_guard<std::mutex> guard(Lock);
            Port = port;
            Listening = true;
        }
        Arrived.notify_all();
    }

    void OnData(QTcpSocket* s) {
        QByteArray request = s->property("request").toByteArray() + s->readAll();
        s->setProperty("request", request);
        if (!request.contains("\r\n\r\n") || s->property("seen").toBool())
            return;
        s->setProperty("seen", true);
        const QList<QByteArray> lines = request.left(request.indexOf("\r\n\r\n")).split('\n');
        const QList<QByteArray> words = lines.value(0).trimmed().split(' ');
        const QString target = QString::fromLatin1(words.value(1));
        QString agent;
        for (const QByteArray& l : lines)
            if (l.toLower().startsWith("user-agent:"))
                agent = QString::fromLatin1(l.mid(11).trimmed());
        const QString command = QueryValue(target, QStringLiteral("cmd"));
        bool hold = false;
        {
            std::lock_guard<std::mutex> guard(Lock);
            Targets << target;
            Commands << command;
            Hellos << QueryValue(target, QStringLiteral("hello"));
            Agents << agent;
            hold = Holding;
        }
        Arrived.notify_all();
        if (hold)
            Held << s;
        else
            Answer(s);
    }

    void Answer(QTcpSocket* s) {
        const QString command = QueryValue(
            QString::fromLatin1(s->property("request").toByteArray().split(' ').value(1)), QStringLiteral("cmd"));
        QByteArray body = "500 Command syntax error\r\n";
        {
            std::lock_guard<std::mutex> guard(Lock);
            qsizetype best = -1;
            for (const auto& [prefix, text] : Answers)
                if (command.startsWith(prefix) && prefix.size() > best) {
                    best = prefix.size();
                    body = text;
                }
        }
        s->write("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=ISO-8859-1\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    Q_INVOKABLE void ReleaseHeld() {
        const QList<QTcpSocket*> held = Held;
        Held.clear();
        for (QTcpSocket* s : held)
            Answer(s);
    }
};

TCddbTestServer::TCddbTestServer() : Thread(std::make_unique<QThread>()), Worker(new TWorker) {
    Worker->moveToThread(Thread.get());
    QObject::connect(Thread.get(), &QThread::finished, Worker, &QObject::deleteLater);
    // Calls across the threads carry no data through Qt's event queue, whose locks
    // ThreadSanitizer cannot see: the worker listens as its thread starts (connected before
    // the start) and hands the port over under its own lock.
    QObject::connect(
        Thread.get(), &QThread::started, Worker, [worker = Worker] { worker->Listen(); }, Qt::DirectConnection);
    Thread->start();
    std::unique_lock<std::mutex> guard(Worker->Lock);
    Worker->Arrived.wait(guard, [this] { return Worker->Listening; });
    ListenPort = Worker->Port;
}

TCddbTestServer::~TCddbTestServer() {
    Thread->quit();
    Thread->wait();
}

void TCddbTestServer::SetAnswer(const QString& command, const QByteArray& body) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Answers[command] = body;
}

void TCddbTestServer::Hold(bool hold) {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    Worker->Holding = hold;
}

void TCddbTestServer::Release() {
    Hold(false);
    QMetaObject::invokeMethod(Worker, "ReleaseHeld", Qt::QueuedConnection);
}

QStringList TCddbTestServer::Targets() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Targets;
}

QStringList TCddbTestServer::Commands() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Commands;
}

QStringList TCddbTestServer::Hellos() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Hellos;
}

QStringList TCddbTestServer::Agents() const {
    std::lock_guard<std::mutex> guard(Worker->Lock);
    return Worker->Agents;
}

bool TCddbTestServer::WaitForRequests(int count, int ms) const {
    std::unique_lock<std::mutex> guard(Worker->Lock);
    return Worker->Arrived.wait_for(guard, std::chrono::milliseconds(ms),
                                    [&] { return Worker->Commands.size() >= count; });
}

int TCddbTestServer::ClosedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 1;
    const int port = probe.serverPort();
    probe.close();
    return port;
}

#include "CddbTestServer.moc"
