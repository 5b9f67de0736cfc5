#pragma once
// The single-instance marker: a local socket named after the application
// title and the user, in a folder only the user can enter. While the window
// accepts new files it listens there; a later start connects, hands over its
// arguments and ends once the window has taken them.
#include "app/core/HandOver.h"

#include <QObject>

class QLocalServer;
class QLocalSocket;

class TJustOne : public QObject
{
    Q_OBJECT
public:
    explicit TJustOne(QObject *owner = nullptr);
    ~TJustOne() override;

    bool Active() const;
    // On: listen (a stale marker of a crashed instance is replaced, a live
    // one is left alone). Off: stop listening and remove the marker.
    void SetActive(bool active);

    // Listening is off while an instance of this scope lives (when it was
    // on), and back on when it ends, however it ends.
    class TPause
    {
    public:
        explicit TPause(TJustOne *owner);
        ~TPause();
        TPause(const TPause &) = delete;
        TPause &operator=(const TPause &) = delete;

    private:
        TJustOne *m_owner;
        bool m_wasActive;
    };

    // Set in the environment of a start that must run as its own instance
    // (a copy started by this one); the start removes it at once.
    static constexpr const char *kOwnInstanceVariable = "QUILLON_OWN_INSTANCE";

    // A folder fit for the marker: a real folder (not a link) of this user
    // that no one else may write to.
    static bool IsPrivateFolder(const QString &folder);
    // Full path of the marker socket ("" when no private folder is to be had).
    static QString MarkerPath();
    // A later start: hands `message` to the running window. True only when
    // that window accepted it and was sent the commit; false (start
    // normally) when there is none, it declined, or it did not answer in time.
    // `refused` (when given) tells whether the window ended the exchange
    // without an answer: it did not understand the message.
    static bool HandOver(const handover::TMessage &message, int timeoutMs = 3000, bool *refused = nullptr);

signals:
    // Arguments arrived; `accept` says whether the window takes them.
    void Received(const handover::TMessage &message, bool &accept);
    // The start confirmed the hand-over: the files are the window's now.
    void Committed(const handover::TMessage &message);

private:
    void OnConnection();
    void Read(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
};
