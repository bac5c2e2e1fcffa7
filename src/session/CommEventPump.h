#pragma once

// The serial component's notification window on Qt: worker threads post their messages here,
// and the main thread's event loop hands each one, in posting order, to the component.

#include <QObject>

#include "serial/TComm32.h"

namespace kelvan::session {

class CommEventPump : public QObject, public serial::CommNotifier {
    Q_OBJECT
  public:
    explicit CommEventPump(QObject* parent = nullptr);

    // The component whose handleMessage receives the messages. Messages that arrive before a
    // component is attached are dropped.
    void attach(serial::TComm32& comm) { comm_ = &comm; }

    // Any thread: queues the message for the main thread.
    void post(serial::CommMessage message) override;

  protected:
    bool event(QEvent* event) override;

  private:
    serial::TComm32* comm_ = nullptr;
};

}  // namespace kelvan::session
