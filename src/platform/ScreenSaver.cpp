// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ScreenSaver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include <optional>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
// The standard object path, and the older one some desktops still serve.
const QString kPaths[] = {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")};
constexpr int kCallTimeoutMs = 500;

struct Inhibition
{
    QString path;
    quint32 cookie = 0;
};

std::optional<Inhibition> g_held;

QDBusMessage callService(const QString &path, const QString &method, const QList<QVariant> &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kInterface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
}

// Errors after which the other object path is not worth a second wait.
bool serviceAbsent(const QDBusMessage &reply)
{
    const QString name = reply.errorName();
    return name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
           || name == QLatin1String("org.freedesktop.DBus.Error.NoReply")
           || name == QLatin1String("org.freedesktop.DBus.Error.Timeout")
           || name == QLatin1String("org.freedesktop.DBus.Error.Disconnected");
}

bool inhibit()
{
    if (g_held)
        return true;
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    QString application = QCoreApplication::applicationName();
    if (application.isEmpty())
        application = QStringLiteral("ocellus");
    const QList<QVariant> arguments{application, QStringLiteral("Full-screen camera view")};
    for (const QString &path : kPaths) {
        const QDBusMessage reply = callService(path, QStringLiteral("Inhibit"), arguments);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
            && reply.arguments().constFirst().metaType().id() == QMetaType::UInt) {
            g_held = Inhibition{path, reply.arguments().constFirst().value<quint32>()};
            return true;
        }
        if (serviceAbsent(reply))
            return false;
    }
    return false;
}

bool release()
{
    if (!g_held)
        return true;
    const Inhibition held = *g_held;
    g_held.reset();
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    const QDBusMessage reply = callService(held.path, QStringLiteral("UnInhibit"), {QVariant::fromValue(held.cookie)});
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool setScreenSaverActive(bool active) { return active ? release() : inhibit(); }
