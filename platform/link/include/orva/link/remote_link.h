// RemoteLink: the network link between a board station and a remote station,
// over TCP (Qt Network), one peer at a time. Its members are those the
// program's remote mode calls:
//
//   Usuario              role: 1 board station (waits for the peer),
//                        0 remote station (connects to the peer)
//   Puerto               TCP port, 100 by default (0 on a board station: any
//                        free port, see ListeningPort)
//   DireccionIP          the board station's address or host name (remote
//                        station only)
//   Conectar             open the link in the role above (any previous
//                        connection or listener is closed first)
//   Enviar               send the outgoing slots as a settings message (kind 1)
//   EnviarS(kind)        send them as a sample message (kind 0) answering a
//                        message of the given kind
//   ConnectionRequestX   accept the connection announced by ConnectionRequest
//   ConnectionRequest    event: a peer asks to connect (board station)
//   OnMessage            event: a message arrived, slots in order
//
// Everything runs on the thread that owns the link (the GUI thread): nothing
// blocks; bytes are read and written as the sockets report them, and events
// are raised from the Qt event loop. A message handler may let events run
// (a nested event loop): messages that arrive meanwhile wait and are delivered
// in order after it returns. The link must not be destroyed from inside one of
// its own event handlers.
//
// Faults, all reported through State() and StatusText(), never thrown:
// - Board station: a port that cannot be listened on is refused (kRefused),
//   with the reason; a port below 1024 without privilege names the two ways
//   out (another port on both stations, or setcap cap_net_bind_service+ep).
//   A connection from an address outside the allowed peer, or while a peer
//   is connected, is closed at once and noted. When the peer goes, the
//   station is back to kWaiting and the text says how the link was lost.
// - Remote station: refused, unknown host or no answer within the connect
//   time-out -> kRefused; the peer closing, a network error, or a broken
//   stream -> kLost. Conectar again reconnects.
// - Both: a frame whose length is 0 or above the limit breaks the stream (the
//   connection is closed); a frame that is not a valid message is dropped and
//   counted (frame.h). A peer that leaves a sent message unanswered, or a
//   frame half-sent, for the reply time-out, and a peer that stops taking
//   what is sent to it (kMaxUnsentBytes waiting), are disconnected.
//
// The board station's one seat:
// - A peer that has completed no message (a keep-alive counts) within the
//   first-message time-out of connecting, or that has sent none for the
//   reply time-out since its last, loses the seat: the connection is closed
//   and the station waits again. Frames dropped as invalid do not count.
// - A remote station sends a keep-alive frame (an empty CBOR map, frame.h)
//   whenever it has sent nothing for the keep-alive interval, so a remote
//   station whose user has not started the exchange yet keeps its seat.
//   Keep-alives are never answered and never reach OnMessage.
// - A new peer that arrives while the seat is taken is held for a short
//   grace (kSeatGraceMs): if the peer in the seat leaves meanwhile (its
//   disconnection was still on its way), the new one is offered the seat;
//   otherwise it is closed as before.
//
// The link carries no encryption or authentication: it belongs on a trusted
// LAN. The allowed-peer setting (an address or a subnet) limits who may
// connect to a board station.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "orva/link/message.h"

namespace orva::link {

enum class LinkState {
  kIdle,        // nothing opened yet, or closed
  kWaiting,     // board station listening, no peer
  kConnecting,  // remote station connecting
  kConnected,
  kLost,        // remote station: the connection ended
  kRefused,     // could not listen (board) or connect (remote)
};

const char* LinkStateName(LinkState state);  // "idle", "waiting", ...

inline constexpr std::int16_t kBoardStation = 1;
inline constexpr std::int16_t kRemoteStation = 0;
inline constexpr std::int32_t kDefaultPort = 100;
inline constexpr int kDefaultReplyTimeoutMs = 10000;
inline constexpr int kDefaultConnectTimeoutMs = 5000;
inline constexpr int kDefaultFirstMessageTimeoutMs = 10000;
// Well inside the reply time-out, so that one late keep-alive costs nothing.
inline constexpr int kDefaultKeepAliveMs = 3000;
inline constexpr int kSeatGraceMs = 250;
// Bytes sent but not yet taken by the peer before it counts as gone: about
// sixty sample messages.
inline constexpr long long kMaxUnsentBytes = 1 << 20;

struct LinkCounters {
  long long sent = 0;      // messages written
  long long received = 0;  // valid messages delivered
  long long dropped = 0;   // frames dropped as invalid
  std::string last_dropped;  // why the last one was dropped
  long long keepalives_sent = 0;
  long long keepalives_received = 0;
};

class RemoteLink {
 public:
  RemoteLink();
  ~RemoteLink();
  RemoteLink(const RemoteLink&) = delete;
  RemoteLink& operator=(const RemoteLink&) = delete;

  // ---- Settings -----------------------------------------------------------------
  std::int16_t Usuario() const { return usuario_; }
  void Usuario(std::int16_t v) { usuario_ = v; }
  std::int32_t Puerto() const { return puerto_; }
  void Puerto(std::int32_t v) { puerto_ = v; }
  std::string DireccionIP() const { return direccion_ip_; }
  void DireccionIP(const std::string& v) { direccion_ip_ = v; }
  // The one address (or subnet, "192.168.1.0/24") a board station accepts;
  // empty: any. False, and nothing changed, when the text is neither.
  bool SetAllowedPeer(const std::string& address_or_subnet, std::string* error);
  const std::string& AllowedPeer() const { return allowed_text_; }
  void SetReplyTimeoutMs(int ms) { reply_timeout_ms_ = ms; }
  void SetConnectTimeoutMs(int ms) { connect_timeout_ms_ = ms; }
  // Board station: how long a new peer has to complete its first message.
  void SetFirstMessageTimeoutMs(int ms) { first_message_timeout_ms_ = ms; }
  // Remote station: the silence after which it sends a keep-alive (takes
  // effect at the next connection).
  void SetKeepAliveMs(int ms) { keep_alive_ms_ = ms; }

  // ---- Operations ---------------------------------------------------------------
  // False when the link could not be opened (state kRefused, the text says
  // why); a remote station's connection completes later (kConnecting).
  bool Conectar();
  // The slots of the next message; they keep their contents between sends.
  Message& Outgoing() { return outgoing_; }
  // False, and nothing sent, when not connected.
  bool Enviar();
  bool EnviarS(std::int16_t kind);
  void ConnectionRequestX(int request_id);
  // Closes the connection and the listener (state kIdle).
  void Close();

  // ---- Events -------------------------------------------------------------------
  std::function<void(int request_id)> ConnectionRequest;
  std::function<void(const Message&)> OnMessage;
  std::function<void()> OnStateChanged;

  // ---- State --------------------------------------------------------------------
  LinkState State() const { return state_; }
  // One line for the window and the log: the state, with whom, and how the
  // last connection ended or why one was refused.
  const std::string& StatusText() const { return status_; }
  // The port the board station listens on (Puerto, or the one chosen for 0);
  // 0 when not listening.
  int ListeningPort() const;
  // The peer's address while connected, else empty.
  std::string PeerAddress() const;
  // While connected: whether each message leaves at once (TCP_NODELAY on the
  // connection), on both stations' sockets.
  bool LowDelay() const;
  const LinkCounters& Counters() const { return counters_; }

 private:
  struct Impl;
  friend struct Impl;
  bool Send(std::int16_t kind, std::int16_t value);
  void SetState(LinkState state, std::string text);

  std::int16_t usuario_ = kBoardStation;
  std::int32_t puerto_ = kDefaultPort;
  std::string direccion_ip_;
  std::string allowed_text_;
  int reply_timeout_ms_ = kDefaultReplyTimeoutMs;
  int connect_timeout_ms_ = kDefaultConnectTimeoutMs;
  int first_message_timeout_ms_ = kDefaultFirstMessageTimeoutMs;
  int keep_alive_ms_ = kDefaultKeepAliveMs;
  Message outgoing_;
  LinkState state_ = LinkState::kIdle;
  std::string status_ = "idle";
  LinkCounters counters_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orva::link
