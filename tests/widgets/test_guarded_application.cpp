#include "../support/ScriptedUser.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace {

class TThrowingObject : public QObject
{
protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw std::bad_alloc();
        if (event->type() == QEvent::Type(QEvent::User + 1))
            throw std::runtime_error("kaputt");
        if (event->type() == QEvent::Type(QEvent::User + 2))
            throw 42;
        return QObject::event(event);
    }
};

} // namespace

TEST(GuardedApplicationTest, AnExceptionLeavingAnEventHandlerIsShownAndTheProgramGoesOn)
{
    TScriptedUser user;
    TThrowingObject object;
    for (int type : {int(QEvent::User), QEvent::User + 1, QEvent::User + 2}) {
        QEvent event(static_cast<QEvent::Type>(type));
        QCoreApplication::sendEvent(&object, &event);
    }
    // Posted events pass the same guard inside the event loop.
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    const QString noMemory = QStringLiteral("Der Befehl kann nicht ausgeführt werden: zu wenig Arbeitsspeicher");
    const QString failed = QStringLiteral("Der Befehl ist mit einem Fehler abgebrochen worden.");
    EXPECT_EQ(user.Errors, QStringList({noMemory, failed, failed, noMemory}));
}
