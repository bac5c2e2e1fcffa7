#include "session/CommEventPump.h"

#include <QCoreApplication>
#include <QEvent>
#include <utility>

namespace kelvan::session {
namespace {

const QEvent::Type CommEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class CommEvent : public QEvent {
  public:
    explicit CommEvent(serial::CommMessage message)
        : QEvent(CommEventType), message_(std::move(message)) {}
    const serial::CommMessage& message() const { return message_; }

  private:
    serial::CommMessage message_;
};

}  // namespace

CommEventPump::CommEventPump(QObject* parent) : QObject(parent) {}

void CommEventPump::post(serial::CommMessage message) {
    // postEvent is thread-safe and takes ownership; events still pending when this object is
    // destroyed are discarded with it.
    QCoreApplication::postEvent(this, new CommEvent(std::move(message)));
}

bool CommEventPump::event(QEvent* event) {
    if (event->type() != CommEventType) {
        return QObject::event(event);
    }
    if (comm_ != nullptr) {
        comm_->handleMessage(static_cast<CommEvent*>(event)->message());
    }
    return true;
}

}  // namespace kelvan::session
