#include "app/sessionend.h"

#include <QGuiApplication>
#include <QSessionManager>

SessionEnd *SessionEnd::instance()
{
    static SessionEnd *watcher = nullptr;
    if (!watcher)
        watcher = new SessionEnd(QCoreApplication::instance());
    return watcher;
}

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
{
    // Qt 6 does nothing of its own on this request (no window is closed, nothing is asked):
    // the work is kept, and the session manager then ends the editor. Nothing here may ask a
    // question, or a logout on Windows would wait for it.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this] { end(false); });
    watchSystem();
}

void SessionEnd::end(bool quit)
{
    if (!m_ending) {
        m_ending = true;
        emit ending();
    }
    if (quit)
        QCoreApplication::quit();
}
