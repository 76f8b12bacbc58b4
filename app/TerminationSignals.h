#pragma once

#include <QObject>

class QSocketNotifier;

namespace tonquelle {

// Turns the signals that ask a program to end (SIGTERM: the session ends or `kill`; SIGINT:
// Ctrl+C in its terminal; SIGHUP: its terminal closes) into the Qt signal Received on the UI
// thread, so the program can leave in order and keep its settings. One instance at a time; on
// Windows, where a window program gets no such signals, Received never comes.
class TerminationSignals final : public QObject {
    Q_OBJECT

  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  signals:
    void Received();

  private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;  // owned by this object
};

}  // namespace tonquelle
