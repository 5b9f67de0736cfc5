#pragma once
// The single-instance marker: a local socket named after the application
// title and the user, in a folder only the user can enter. While the window
// accepts new files it listens there; a later start connects, hands over its
// command line and ends once the window has taken it.
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

    // Full path of the marker socket ("" when no private folder is to be had).
    static QString MarkerPath();
    // A later start: hands `message` to the running window. True only when
    // that window took it; false (start normally) when there is none, it
    // declined, or it did not answer in time.
    static bool HandOver(const handover::TMessage &message, int timeoutMs = 3000);

signals:
    // A command line arrived; `accept` says whether the window takes it.
    void Received(const handover::TMessage &message, bool &accept);

private:
    void OnConnection();
    void Read(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
};
