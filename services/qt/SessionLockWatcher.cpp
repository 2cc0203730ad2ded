#include "services/qt/SessionLockWatcher.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QCoreApplication>

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kLogindSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// This process's session object, asked of logind; "" when logind does not know it.
QString FindLogindSession(QDBusConnection& SystemBus)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kLogindPath, kLogindManager,
                                                       QStringLiteral("GetSessionByPID"));
    call << static_cast<quint32>(QCoreApplication::applicationPid());
    const QDBusReply<QDBusObjectPath> reply = SystemBus.call(call, QDBus::Block, 2000);
    return reply.isValid() ? reply.value().path() : QString();
}

} // namespace

TSessionLockWatcher::TSessionLockWatcher(QObject* Owner) : QObject(Owner)
{
    Listen(QDBusConnection::sessionBus(), QDBusConnection::systemBus());
}

TSessionLockWatcher::TSessionLockWatcher(QObject* Owner, const QDBusConnection& SessionBus,
                                         const QDBusConnection& SystemBus)
    : QObject(Owner)
{
    Listen(SessionBus, SystemBus);
}

void TSessionLockWatcher::Listen(QDBusConnection SessionBus, QDBusConnection SystemBus)
{
    if (SessionBus.isConnected()) {
        for (const QString& iface : {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")})
            SessionBus.connect(QString(), QString(), iface, QStringLiteral("ActiveChanged"), this,
                               SLOT(ScreenSaverActiveChanged(bool)));
        SessionBus.connect(QString(), QStringLiteral("/org/gnome/SessionManager"), kProperties,
                           QStringLiteral("PropertiesChanged"), this,
                           SLOT(GnomeSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    }
    if (SystemBus.isConnected()) {
        SystemBus.connect(QString(), kLogindPath, kLogindManager, QStringLiteral("PrepareForSleep"), this,
                          SLOT(PrepareForSleep(bool)));
        FLogindSession = FindLogindSession(SystemBus);
        if (!FLogindSession.isEmpty()) {
            SystemBus.connect(QString(), FLogindSession, kLogindSession, QStringLiteral("Lock"), this,
                              SLOT(SessionLock()));
            SystemBus.connect(QString(), FLogindSession, kProperties, QStringLiteral("PropertiesChanged"), this,
                              SLOT(LogindPropertiesChanged(QString, QVariantMap, QStringList)));
        }
    }
}

void TSessionLockWatcher::ScreenSaverActiveChanged(bool Active)
{
    if (Active)
        emit Locked();
}

void TSessionLockWatcher::SessionLock()
{
    emit Locked();
}

void TSessionLockWatcher::PrepareForSleep(bool Start)
{
    if (Start)
        emit Locked();
}

void TSessionLockWatcher::LogindPropertiesChanged(const QString& Interface, const QVariantMap& Changed,
                                                  const QStringList&)
{
    if (Interface == kLogindSession && Changed.value(QStringLiteral("LockedHint")).toBool())
        emit Locked();
}

void TSessionLockWatcher::GnomeSessionPropertiesChanged(const QString& Interface, const QVariantMap& Changed,
                                                        const QStringList&)
{
    const QString key = QStringLiteral("SessionIsActive");
    if (Interface == QStringLiteral("org.gnome.SessionManager") && Changed.contains(key) && !Changed.value(key).toBool())
        emit Locked();
}
