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

// A folder of our own: $XDG_RUNTIME_DIR when it is private, else a 0700
// folder under the temp directory that must belong to us (anyone could have
// made it first).
QString PrivateFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && TJustOne::IsPrivateFolder(runtime))
        return runtime;
    const QString folder = QDir::tempPath() + QStringLiteral("/quillon-%1").arg(getuid());
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    return TJustOne::IsPrivateFolder(folder) ? folder : QString();
}

} // namespace

bool TJustOne::IsPrivateFolder(const QString &folder)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode)
           && info.st_uid == getuid() && (info.st_mode & 0022) == 0;
}

TJustOne::TPause::TPause(TJustOne *owner) : m_owner(owner), m_wasActive(owner->Active())
{
    if (m_wasActive)
        m_owner->SetActive(false);
}

TJustOne::TPause::~TPause()
{
    if (m_wasActive)
        m_owner->SetActive(true);
}

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
    // A live window owns the marker: it is left alone (listening would
    // replace its socket file and take its files). A crashed instance's
    // marker is replaced.
    if (QFileInfo::exists(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500)) {
            probe.abort();
            return;
        }
        QLocalServer::removeServer(path);
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &TJustOne::OnConnection);
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
        // Whatever arrived before the close still counts (a commit sent
        // right before the start ended); then the exchange is over.
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            Read(socket);
            socket->setProperty("done", true);
            socket->deleteLater();
        });
        // A sender that does not get through the exchange in time is
        // dropped; what it sent in time is read first.
        QTimer::singleShot(kReceiveTimeoutMs, socket, [this, socket] {
            Read(socket);
            if (socket->property("done").toBool())
                return;
            socket->setProperty("done", true);
            socket->abort();
        });
        Read(socket);
    }
}

void TJustOne::Read(QLocalSocket *socket)
{
    if (socket->property("done").toBool())
        return;
    QByteArray received = socket->property("received").toByteArray();
    if (socket->bytesAvailable() > 0)
        received += socket->readAll();
    if (socket->property("accepted").toBool()) {
        // Accepted: the only thing that may follow is the commit.
        if (received.isEmpty())
            return;
        socket->setProperty("done", true);
        if (received == QByteArray(1, handover::kCommit))
            emit Committed({socket->property("workingDir").toByteArray(),
                            socket->property("arguments").value<QByteArrayList>(),
                            socket->property("activationToken").toByteArray()});
        socket->disconnectFromServer();
        return;
    }
    handover::TMessage message;
    switch (handover::Decode(received, message)) {
    case handover::TDecode::NeedMore: socket->setProperty("received", received); return;
    case handover::TDecode::Invalid:
        socket->setProperty("done", true);
        socket->abort();
        return;
    case handover::TDecode::Complete: break;
    }
    socket->setProperty("received", QByteArray());
    bool accept = false;
    emit Received(message, accept);
    socket->write(QByteArray(1, accept ? handover::kAccepted : handover::kDeclined));
    socket->flush();
    if (!accept) {
        socket->setProperty("done", true);
        socket->disconnectFromServer();
        return;
    }
    socket->setProperty("accepted", true);
    socket->setProperty("workingDir", message.workingDir);
    socket->setProperty("arguments", QVariant::fromValue(QByteArrayList(message.arguments)));
    socket->setProperty("activationToken", message.activationToken);
}

bool TJustOne::HandOver(const handover::TMessage &message, int timeoutMs, bool *refused)
{
    if (refused)
        *refused = false;
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
    if (!socket.waitForReadyRead(timeoutMs)) {
        if (refused)
            *refused = socket.state() == QLocalSocket::UnconnectedState;
        return false; // the window gave no answer: without the commit it drops the files
    }
    char answer = 0;
    if (socket.read(&answer, 1) != 1 || answer != handover::kAccepted)
        return false;
    socket.write(QByteArray(1, handover::kCommit));
    // Written means in the window's socket: it reads it before it lets go.
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    socket.disconnectFromServer();
    return true;
}
