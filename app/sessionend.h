#pragma once

#include <QObject>

// Tells the editor that the desktop session is ending: the session manager's request to save
// what must be kept, and on Linux the SIGTERM and SIGHUP a logout sends. Whoever keeps work
// writes it at once then; after a signal the editor then quits without asking anything.
class SessionEnd : public QObject
{
    Q_OBJECT

public:
    // The one watcher of the application, made the first time it is wanted.
    static SessionEnd *instance();

    bool isEnding() const { return m_ending; }

signals:
    // Emitted once; the editor ends soon after, whatever it answers.
    void ending();

private:
    explicit SessionEnd(QObject *parent);
    // Installs the system's own watch (the signal handlers on Linux).
    void watchSystem();
    void end(bool quit);

    bool m_ending = false;
};
