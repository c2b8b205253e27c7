// RemoteLink over QTcpServer / QTcpSocket. Signals are joined to lambdas
// with a private context object, so nothing fires into a destroyed link.
#include "orva/link/remote_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "orva/link/frame.h"

namespace orva::link {

namespace {

constexpr qint64 kReadChunk = 64 * 1024;

std::string Text(const QString& s) { return s.toStdString(); }

std::string PeerText(const QHostAddress& a) {
  bool v4 = false;
  const quint32 ip4 = a.toIPv4Address(&v4);
  return v4 ? Text(QHostAddress(ip4).toString()) : Text(a.toString());
}

// "5", "0.3", "2.5": seconds of a time-out for the status line.
std::string Seconds(int ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", ms / 1000.0);
  return buf;
}

std::string ProgramPath() {
  if (QCoreApplication::instance() != nullptr) {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty()) return Text(path);
  }
  return "OrvaScope";
}

}  // namespace

const char* LinkStateName(LinkState state) {
  switch (state) {
    case LinkState::kIdle: return "idle";
    case LinkState::kWaiting: return "waiting";
    case LinkState::kConnecting: return "connecting";
    case LinkState::kConnected: return "connected";
    case LinkState::kLost: return "link lost";
    case LinkState::kRefused: return "refused";
  }
  return "?";
}

struct RemoteLink::Impl {
  explicit Impl(RemoteLink* owner) : self(owner), read_buffer(static_cast<std::size_t>(kReadChunk)) {
    reply_timer.setSingleShot(true);
    connect_timer.setSingleShot(true);
    seat_timer.setSingleShot(true);
    grace_timer.setSingleShot(true);
    QObject::connect(&reply_timer, &QTimer::timeout, &context, [this] { OnReplyTimeout(); });
    QObject::connect(&seat_timer, &QTimer::timeout, &context, [this] { OnSeatTimeout(); });
    QObject::connect(&grace_timer, &QTimer::timeout, &context, [this] { OnGraceOver(); });
    QObject::connect(&keep_alive_timer, &QTimer::timeout, &context, [this] { OnKeepAliveTick(); });
    QObject::connect(&connect_timer, &QTimer::timeout, &context, [this] { OnConnectTimeout(); });
    QObject::connect(&server, &QTcpServer::newConnection, &context, [this] { OnNewConnection(); });
  }

  RemoteLink* self;
  QObject context;
  QTcpServer server;
  QTcpSocket* socket = nullptr;   // the peer (or the connection being made)
  QTcpSocket* pending = nullptr;  // announced by ConnectionRequest, not yet accepted
  int pending_id = 0;
  QTimer reply_timer;    // a sent message unanswered, or a frame half-arrived
  QTimer connect_timer;  // remote station: connection not made yet
  QTimer seat_timer;     // board station: the peer's first or next message is due
  QTimer grace_timer;    // board station: how long a held newcomer waits for the seat
  QTimer keep_alive_timer;  // remote station: checks whether a keep-alive is due
  QElapsedTimer since_sent;  // remote station: since the last frame written
  QTcpSocket* held = nullptr;  // board station: arrived while the seat was taken
  FrameDecoder decoder;
  FrameEncoder encoder;
  std::vector<std::uint8_t> read_buffer;
  bool delivering = false;
  bool awaiting_reply = false;

  // Both sockets, the listener and the timers gone: nothing of an earlier
  // connection can reach the next one.
  void TearDown() {
    Release(pending);
    Release(socket);
    Release(held);
    server.close();
    reply_timer.stop();
    connect_timer.stop();
    seat_timer.stop();
    grace_timer.stop();
    keep_alive_timer.stop();
    awaiting_reply = false;
    decoder.Reset();
    peer.clear();
  }
  bool received_any = false;  // on this connection
  bool has_allowed = false;
  QPair<QHostAddress, int> allowed;
  std::string base;      // the status line without its latest remark
  std::string peer;      // address of the connected peer
  std::string endpoint;  // remote station: "host:port"
  // Shared with the stack frames of event handlers, which stop when the
  // link is gone.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

  bool Board() const { return self->usuario_ == kBoardStation; }
  std::string Waiting() const {
    return "waiting for a remote station on port " + std::to_string(server.serverPort());
  }

  void Release(QTcpSocket*& s) {
    if (s == nullptr) return;
    QObject::disconnect(s, nullptr, &context, nullptr);
    s->abort();
    s->deleteLater();
    s = nullptr;
  }

  // Ends the connection; a board station goes back to waiting, a remote
  // station reports the link lost. why: how it ended.
  void EndConnection(const std::string& why) {
    Release(socket);
    reply_timer.stop();
    connect_timer.stop();
    seat_timer.stop();
    keep_alive_timer.stop();
    awaiting_reply = false;
    decoder.Reset();
    peer.clear();
    if (Board() && server.isListening()) {
      Set(LinkState::kWaiting, Waiting() + " (link lost: " + why + ")");
      // A newcomer held while this peer was leaving gets the seat, once the
      // handlers of this disconnection have returned.
      if (held != nullptr) {
        grace_timer.stop();
        QTimer::singleShot(0, &context, [this] { OfferHeld(); });
      }
    } else {
      Set(LinkState::kLost, "link lost: " + why);
    }
  }

  // The held newcomer, offered the free seat (if it is still there).
  void OfferHeld() {
    QTcpSocket* s = held;
    held = nullptr;
    if (s == nullptr) return;
    QObject::disconnect(s, nullptr, &context, nullptr);
    if (socket != nullptr || s->state() != QAbstractSocket::ConnectedState) {
      s->abort();
      s->deleteLater();
      return;
    }
    Offer(s);
  }

  // Grace over: the newcomer gets the seat if it has come free, else it is
  // closed.
  void OnGraceOver() {
    QTcpSocket* s = held;
    held = nullptr;
    if (s == nullptr) return;
    QObject::disconnect(s, nullptr, &context, nullptr);
    if (socket == nullptr && s->state() == QAbstractSocket::ConnectedState) {
      Offer(s);
      return;
    }
    const std::string who = PeerText(s->peerAddress());
    s->close();
    s->deleteLater();
    Note("refused a second connection from " + who + ": " + peer + " is connected");
  }

  void OnSeatTimeout() {
    if (socket == nullptr || !Board()) return;
    EndConnection(received_any ? "the remote station sent nothing for " + Seconds(self->reply_timeout_ms_) + " s"
                               : "the remote station sent no message within " +
                                     Seconds(self->first_message_timeout_ms_) + " s of connecting");
  }

  // A remote station that has written nothing for the keep-alive interval
  // writes a keep-alive.
  void OnKeepAliveTick() {
    if (socket == nullptr || Board() || self->state_ != LinkState::kConnected) return;
    if (since_sent.elapsed() < self->keep_alive_ms_) return;
    const std::span<const std::uint8_t> frame = KeepAliveFrame();
    socket->write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
    ++self->counters_.keepalives_sent;
    since_sent.start();
  }

  void UpdateWatchdog() {
    const bool needed = socket != nullptr && (awaiting_reply || decoder.InFrame());
    if (!needed) {
      reply_timer.stop();
    } else if (!reply_timer.isActive()) {
      reply_timer.start(self->reply_timeout_ms_);
    }
  }

  bool Allowed(const QHostAddress& a) const {
    if (!has_allowed) return true;
    bool v4 = false;
    const quint32 ip4 = a.toIPv4Address(&v4);
    const QHostAddress plain = v4 ? QHostAddress(ip4) : a;
    return plain.isInSubnet(allowed);
  }

  void OnNewConnection() {
    while (server.hasPendingConnections()) {
      QTcpSocket* s = server.nextPendingConnection();
      if (s == nullptr) break;
      const std::string who = PeerText(s->peerAddress());
      std::string refusal;
      if (!Allowed(s->peerAddress())) {
        refusal = "refused a connection from " + who + ": only " + self->allowed_text_ + " may connect";
      } else if ((socket != nullptr || pending != nullptr) && held == nullptr) {
        // The peer in the seat may be leaving already, its disconnection not
        // yet seen: the newcomer waits a moment for the seat.
        held = s;
        s->setParent(&context);
        grace_timer.start(kSeatGraceMs);
        continue;
      } else if (socket != nullptr || pending != nullptr) {
        refusal = "refused a second connection from " + who + ": " + peer + " is connected";
      }
      if (!refusal.empty()) {
        s->close();
        s->deleteLater();
        Note(refusal);
        continue;
      }
      if (!Offer(s)) return;
    }
  }

  // Raises ConnectionRequest for s; false when the link went away in the
  // handler.
  bool Offer(QTcpSocket* s) {
    const std::string who = PeerText(s->peerAddress());
    pending = s;
    const int id = ++pending_id;
    const std::shared_ptr<bool> guard = alive;
    if (self->ConnectionRequest) self->ConnectionRequest(id);
    if (!*guard) return false;
    if (pending == s) {  // not accepted by the handler
      pending = nullptr;
      s->close();
      s->deleteLater();
      Note("did not accept the connection from " + who);
    }
    return true;
  }

  void Set(LinkState state, std::string text) {
    base = text;
    self->SetState(state, std::move(text));
  }
  // A remark on the status line that leaves the state as it is.
  void Note(const std::string& what) { self->SetState(self->state_, base + " (" + what + ")"); }

  // No delay (each message is one write and the peer waits for it: without
  // this a message behind an unacknowledged one waits for the delayed ACK,
  // some 40 ms) and keep-alive. Qt applies socket options only to a socket
  // that exists: an accepted one at once, a connecting one once connected.
  static void SocketOptions(QTcpSocket* s) {
    s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    s->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  }

  void Adopt(QTcpSocket* s) {
    socket = s;
    s->setParent(&context);
    SocketOptions(s);
    s->setReadBufferSize(kReadChunk);
    QObject::connect(s, &QTcpSocket::readyRead, &context, [this] { OnReadyRead(); });
    QObject::connect(s, &QTcpSocket::disconnected, &context, [this, s] { OnDisconnected(s); });
    QObject::connect(s, &QTcpSocket::errorOccurred, &context,
                     [this, s](QAbstractSocket::SocketError e) { OnError(s, e); });
    decoder.Reset();
    awaiting_reply = false;
    received_any = false;
    if (Board()) {
      seat_timer.start(self->first_message_timeout_ms_);
    } else {
      since_sent.start();
      keep_alive_timer.start(std::max(20, self->keep_alive_ms_ / 4));
    }
  }

  void OnConnected() {
    connect_timer.stop();
    SocketOptions(socket);
    peer = PeerText(socket->peerAddress());
    Set(LinkState::kConnected, "connected to the board station at " + endpoint);
    OnReadyRead();  // bytes may have come with the connection
  }

  void OnConnectTimeout() {
    if (socket == nullptr || self->state_ != LinkState::kConnecting) return;
    Release(socket);
    Set(LinkState::kRefused,
                   "no answer from " + endpoint + " within " + Seconds(self->connect_timeout_ms_) + " s");
  }

  void OnReplyTimeout() {
    if (socket == nullptr) return;
    const std::string who = Board() ? "the remote station" : "the board station";
    const std::string secs = Seconds(self->reply_timeout_ms_);
    EndConnection(decoder.InFrame() ? who + " stopped in the middle of a message for " + secs + " s"
                                    : "no answer from " + who + " for " + secs + " s");
  }

  void OnDisconnected(QTcpSocket* s) {
    if (s != socket) return;
    const std::string who = Board() ? "the remote station" : "the board station";
    if (decoder.InFrame())
      EndConnection(who + " went in the middle of a message");
    else if (!Board() && !received_any && !awaiting_reply)
      EndConnection(who + " closed the connection before any exchange (it may be busy with "
                          "another remote station, or not allow this address)");
    else
      EndConnection(who + " closed the connection");
  }

  void OnError(QTcpSocket* s, QAbstractSocket::SocketError e) {
    if (s != socket) return;
    if (self->state_ == LinkState::kConnecting) {
      std::string why;
      switch (e) {
        case QAbstractSocket::ConnectionRefusedError:
          why = endpoint + " refused the connection (is the board station waiting, on this port?)";
          break;
        case QAbstractSocket::HostNotFoundError:
          why = "no host called " + self->direccion_ip_;
          break;
        default:
          why = "cannot connect to " + endpoint + ": " + Text(s->errorString());
      }
      connect_timer.stop();
      Release(socket);
      Set(LinkState::kRefused, why);
      return;
    }
    // The peer closing reports an error and a disconnection: the latter says it.
    if (e == QAbstractSocket::RemoteHostClosedError) return;
    EndConnection(Text(s->errorString()));
  }

  void OnReadyRead() {
    if (delivering) return;  // the loop below takes these bytes when the handler returns
    const std::shared_ptr<bool> guard = alive;
    delivering = true;
    while (socket != nullptr && self->state_ == LinkState::kConnected && socket->bytesAvailable() > 0) {
      QTcpSocket* s = socket;
      const qint64 n = s->read(reinterpret_cast<char*>(read_buffer.data()), kReadChunk);
      if (n <= 0) break;
      bool broke = false;
      decoder.Feed(read_buffer.data(), static_cast<std::size_t>(n),
                   [&](const FrameDecoder::Event& e) {
                     switch (e.verdict) {
                       case Verdict::kKeepAlive:
                         ++self->counters_.keepalives_received;
                         received_any = true;
                         if (Board()) seat_timer.start(self->reply_timeout_ms_);
                         break;
                       case Verdict::kMessage:
                         ++self->counters_.received;
                         received_any = true;
                         if (Board()) seat_timer.start(self->reply_timeout_ms_);
                         awaiting_reply = false;
                         reply_timer.stop();
                         if (self->OnMessage) self->OnMessage(*e.message);
                         break;
                       case Verdict::kDropped:
                         ++self->counters_.dropped;
                         self->counters_.last_dropped = *e.reason;
                         Note("dropped " + std::to_string(self->counters_.dropped) +
                              " invalid message(s), the last: " + *e.reason);
                         break;
                       case Verdict::kBroken:
                         broke = true;
                         self->counters_.last_dropped = *e.reason;
                         break;
                     }
                     return *guard && socket == s;
                   });
      if (!*guard) return;
      if (broke && socket == s) EndConnection("the stream cannot be trusted: " + self->counters_.last_dropped);
    }
    delivering = false;
    UpdateWatchdog();
  }
};

RemoteLink::RemoteLink() : impl_(std::make_unique<Impl>(this)) {}

RemoteLink::~RemoteLink() {
  *impl_->alive = false;
  impl_->Release(impl_->held);
  impl_->Release(impl_->pending);
  impl_->Release(impl_->socket);
}

void RemoteLink::SetState(LinkState state, std::string text) {
  const bool changed = state != state_ || text != status_;
  state_ = state;
  status_ = std::move(text);
  if (changed && OnStateChanged) OnStateChanged();
}

bool RemoteLink::SetAllowedPeer(const std::string& text, std::string* error) {
  if (text.empty()) {
    impl_->has_allowed = false;
    allowed_text_.clear();
    return true;
  }
  const QString q = QString::fromStdString(text);
  QPair<QHostAddress, int> subnet;
  if (q.contains(QLatin1Char('/'))) {
    subnet = QHostAddress::parseSubnet(q);
  } else {
    QHostAddress a;
    if (a.setAddress(q)) subnet = {a, a.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128};
  }
  if (subnet.first.isNull()) {
    if (error) *error = "'" + text + "' is neither an IP address nor a subnet such as 192.168.1.0/24";
    return false;
  }
  impl_->allowed = subnet;
  impl_->has_allowed = true;
  allowed_text_ = text;
  return true;
}

bool RemoteLink::Conectar() {
  Impl& d = *impl_;
  d.TearDown();
  counters_ = {};
  if (puerto_ < 0 || puerto_ > 65535 || (puerto_ == 0 && usuario_ != kBoardStation)) {
    d.Set(LinkState::kRefused, "port " + std::to_string(puerto_) + " is not a TCP port (1 to 65535)");
    return false;
  }
  const auto port = static_cast<quint16>(puerto_);
  if (usuario_ == kBoardStation) {
    if (!d.server.listen(QHostAddress::Any, port)) {
      std::string why = "cannot wait on port " + std::to_string(puerto_) + ": ";
      if (d.server.serverError() == QAbstractSocket::SocketAccessError && puerto_ < 1024)
        why += "ports below 1024 need privilege on Linux. Use a port of 1024 or above on both "
               "stations, or let the program use such ports once with: sudo setcap "
               "cap_net_bind_service+ep " + ProgramPath();
      else if (d.server.serverError() == QAbstractSocket::AddressInUseError)
        why += "another program (another board station?) is using it";
      else
        why += Text(d.server.errorString());
      d.Set(LinkState::kRefused, why);
      return false;
    }
    d.Set(LinkState::kWaiting, d.Waiting());
    return true;
  }
  if (direccion_ip_.empty()) {
    d.Set(LinkState::kRefused, "no board station address given");
    return false;
  }
  d.endpoint = direccion_ip_ + ":" + std::to_string(puerto_);
  auto* s = new QTcpSocket(&d.context);
  d.Adopt(s);
  QObject::connect(s, &QTcpSocket::connected, &d.context, [&d, s] {
    if (s == d.socket) d.OnConnected();
  });
  d.Set(LinkState::kConnecting, "connecting to " + d.endpoint);
  d.connect_timer.start(connect_timeout_ms_);
  s->connectToHost(QString::fromStdString(direccion_ip_), port);
  return true;
}

void RemoteLink::ConnectionRequestX(int request_id) {
  Impl& d = *impl_;
  if (d.pending == nullptr || request_id != d.pending_id) return;
  QTcpSocket* s = d.pending;
  d.pending = nullptr;
  d.Adopt(s);
  d.peer = PeerText(s->peerAddress());
  d.Set(LinkState::kConnected, "connected to the remote station at " + d.peer);
  // Bytes that came before the acceptance are read once the request's handler
  // has returned.
  QTimer::singleShot(0, &d.context, [&d, s] {
    if (s == d.socket) d.OnReadyRead();
  });
}

void RemoteLink::Close() {
  Impl& d = *impl_;
  d.TearDown();
  d.Set(LinkState::kIdle, "idle");
}

bool RemoteLink::Enviar() { return Send(1, 0); }
bool RemoteLink::EnviarS(std::int16_t kind) { return Send(0, kind); }

bool RemoteLink::Send(std::int16_t kind, std::int16_t value) {
  Impl& d = *impl_;
  if (d.socket == nullptr || state_ != LinkState::kConnected) return false;
  if (d.socket->bytesToWrite() > kMaxUnsentBytes) {
    d.EndConnection(std::string(d.Board() ? "the remote station" : "the board station") +
                    " stopped taking the messages sent to it");
    return false;
  }
  outgoing_.kind = kind;
  outgoing_.value = value;
  const std::span<const std::uint8_t> frame = d.encoder.Encode(outgoing_);
  d.socket->write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
  ++counters_.sent;
  d.since_sent.start();
  d.awaiting_reply = true;
  d.UpdateWatchdog();
  return true;
}

int RemoteLink::ListeningPort() const {
  return impl_->server.isListening() ? impl_->server.serverPort() : 0;
}

std::string RemoteLink::PeerAddress() const {
  return state_ == LinkState::kConnected ? impl_->peer : std::string();
}

bool RemoteLink::LowDelay() const {
  QTcpSocket* s = impl_->socket;
  return state_ == LinkState::kConnected && s != nullptr &&
         s->socketOption(QAbstractSocket::LowDelayOption).toInt() != 0;
}

}  // namespace orva::link
