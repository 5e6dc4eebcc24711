// The system's requests that the program end: SIGTERM (logout, a service stop, kill),
// SIGHUP (the terminal went away) and SIGINT (Ctrl+C), turned into a Qt signal on the GUI
// thread. Elsewhere than on POSIX systems nothing is watched.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

class EndRequests : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per process.
    explicit EndRequests(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~EndRequests() override;

    // Whether the handlers are in place.
    bool Watching() const { return notifier_ != nullptr; }
    // "SIGTERM", "SIGHUP", "SIGINT", or "signal N".
    static QString SignalName(int signalNumber);

signals:
    // Emitted from the event loop once per signal delivered.
    void Requested(int signalNumber);

private:
    void ReadPending();

    QSocketNotifier* notifier_ = nullptr;
};
