#pragma once
#include "app/instance/InstanceAddress.h"
#include "app/instance/InstanceMessage.h"

#include <QLocalServer>
#include <QObject>
#include <functional>

class QLocalSocket;

// The running ticker's end of the channel: it holds the address's lock for its
// whole life (so a second pennant knows it runs, even before it listens) and
// answers one request per connection, from processes of this user only. A line
// that is no request, too long, or too slow to come is answered with a refusal
// and dropped; the handler never sees it. Main thread.
class InstanceServer : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<InstanceReply(const InstanceRequest&)>;
    static constexpr int kRequestTimeoutMs = 5000;
    static constexpr int kMaxConnections = 16;

    explicit InstanceServer(InstanceAddress address, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Takes the lock; false when another ticker holds it.
    bool claim();
    // Starts answering (once claimed). False, with the reason, when it cannot.
    bool listen(Handler handler, QString* problem);
    // Stops answering (the ticker is on its way out); the lock is held until the end.
    void close();
    const InstanceAddress& address() const { return address_; }

  private:
    void accept();
    void readFrom(QLocalSocket* socket);
    void answer(QLocalSocket* socket, const InstanceReply& reply);

    InstanceAddress address_;
    int lockFd_ = -1;
    QLocalServer server_;
    Handler handler_;
    int connections_ = 0;
};
