#pragma once
#include <QObject>

// The single-instance marker of the running window. Switched on while the
// window accepts files handed over by later starts.
class TJustOne : public QObject
{
    Q_OBJECT
public:
    explicit TJustOne(QObject *owner = nullptr) : QObject(owner) {}
    bool Active() const { return m_active; }
    void SetActive(bool active) { m_active = active; }

private:
    bool m_active = false;
};
