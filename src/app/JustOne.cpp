#include "app/JustOne.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kReceiveTimeoutMs = 2000;

// A folder of our own: $XDG_RUNTIME_DIR, else a 0700 folder under the temp
// directory that must belong to us (anyone could have made it first).
QString PrivateFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    const QString folder = QDir::tempPath() + QStringLiteral("/quillon-%1").arg(getuid());
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)
        || info.st_uid != getuid() || (info.st_mode & 0077) != 0)
        return QString();
    return folder;
}

} // namespace

TJustOne::TJustOne(QObject *owner) : QObject(owner)
{
}

TJustOne::~TJustOne()
{
    SetActive(false);
}

QString TJustOne::MarkerPath()
{
    const QString folder = PrivateFolder();
    if (folder.isEmpty())
        return QString();
    const QString user = qEnvironmentVariable("USER", QString::number(getuid()));
    return folder + QStringLiteral("/Quillon_32-%1.socket").arg(user);
}

bool TJustOne::Active() const
{
    return m_server && m_server->isListening();
}

void TJustOne::SetActive(bool active)
{
    if (!active) {
        if (m_server) {
            m_server->close(); // removes the socket file
            delete m_server;
            m_server = nullptr;
        }
        return;
    }
    if (Active())
        return;
    const QString path = MarkerPath();
    if (path.isEmpty())
        return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &TJustOne::OnConnection);
    if (m_server->listen(path))
        return;
    // Someone listens there already, or a crashed instance left its marker.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(500)) {
        probe.abort();
        delete m_server;
        m_server = nullptr;
        return;
    }
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        delete m_server;
        m_server = nullptr;
    }
}

void TJustOne::OnConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        socket->setProperty("received", QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A sender that never finishes its message is dropped.
        QTimer::singleShot(kReceiveTimeoutMs, socket, [socket] { socket->abort(); });
        Read(socket);
    }
}

void TJustOne::Read(QLocalSocket *socket)
{
    QByteArray received = socket->property("received").toByteArray();
    received += socket->readAll();
    handover::TMessage message;
    switch (handover::Decode(received, message)) {
    case handover::TDecode::NeedMore:
        socket->setProperty("received", received);
        return;
    case handover::TDecode::Invalid:
        socket->abort();
        return;
    case handover::TDecode::Complete:
        break;
    }
    socket->setProperty("received", QByteArray());
    bool accept = false;
    emit Received(message, accept);
    socket->write(QByteArray(1, accept ? handover::kAccepted : handover::kDeclined));
    socket->flush();
    socket->disconnectFromServer();
}

bool TJustOne::HandOver(const handover::TMessage &message, int timeoutMs)
{
    const QString path = MarkerPath();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000))
        return false; // a stale marker: this start runs on its own
    const QByteArray bytes = handover::Encode(message);
    if (bytes.size() > handover::kMaxMessageBytes)
        return false;
    socket.write(bytes);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    if (!socket.waitForReadyRead(timeoutMs))
        return false;
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == handover::kAccepted;
}
