// Tells when the desktop session locks or the system is about to sleep, so the program can lock
// itself too. Desktops disagree on how they say so, so every way that exists is listened to:
//   session bus: ActiveChanged(true) of org.freedesktop.ScreenSaver and org.gnome.ScreenSaver;
//                SessionIsActive turning false on org.gnome.SessionManager;
//   system bus:  Lock of this process's logind session and its LockedHint turning true;
//                PrepareForSleep(true) of the logind manager.
// Where a bus or a service is missing, that way stays silent; nothing raises.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class TSessionLockWatcher : public QObject {
    Q_OBJECT
public:
    // Listens on the user's session bus and the system bus.
    explicit TSessionLockWatcher(QObject* Owner = nullptr);
    // Listens on the buses given (tests use a private bus for both).
    TSessionLockWatcher(QObject* Owner, const QDBusConnection& SessionBus, const QDBusConnection& SystemBus);

    // The object path of this process's logind session, "" when there is none.
    QString LogindSessionPath() const { return FLogindSession; }

signals:
    // The session locked or the system is about to sleep.
    void Locked();

private slots:
    void ScreenSaverActiveChanged(bool Active);
    void SessionLock();
    void PrepareForSleep(bool Start);
    void LogindPropertiesChanged(const QString& Interface, const QVariantMap& Changed, const QStringList& Invalidated);
    void GnomeSessionPropertiesChanged(const QString& Interface, const QVariantMap& Changed,
                                       const QStringList& Invalidated);

private:
    void Listen(QDBusConnection SessionBus, QDBusConnection SystemBus);

    QString FLogindSession;
};
