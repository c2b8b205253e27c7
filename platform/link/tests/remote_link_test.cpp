// The link through real sockets on 127.0.0.1, on ports the system picks:
// stations that talk, and peers that leave, stall, refuse, flood or send
// what is not a message. Every wait is bounded.
#include "orva/link/remote_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <vector>

#include "orva/link/frame.h"
#include "wire.h"

namespace {

using linktest::Frame;
using linktest::ValidMap;
using orva::link::kBoardStation;
using orva::link::kRemoteStation;
using orva::link::LinkState;
using orva::link::Message;
using orva::link::RemoteLink;

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

class Link : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "link_socket_tests";
      static char* argv[] = {name, nullptr};
      new QCoreApplication(argc, argv);
    }
  }

  // Runs the event loop until the condition holds; false after ms.
  static bool Until(const std::function<bool()>& condition, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
      if (clock.elapsed() > ms) return false;
      QEventLoop loop;
      QTimer::singleShot(2, &loop, &QEventLoop::quit);
      loop.exec();
    }
    return true;
  }
  static void Spin(int ms) { Until([] { return false; }, ms); }

  // A board station on a free port that accepts every request and keeps
  // what arrives.
  std::unique_ptr<RemoteLink> Board(std::vector<Message>* got = nullptr) {
    auto link = std::make_unique<RemoteLink>();
    RemoteLink* l = link.get();
    l->Usuario(kBoardStation);
    l->Puerto(0);
    l->ConnectionRequest = [l](int id) { l->ConnectionRequestX(id); };
    if (got) l->OnMessage = [got](const Message& m) { got->push_back(m); };
    EXPECT_TRUE(l->Conectar()) << l->StatusText();
    EXPECT_EQ(l->State(), LinkState::kWaiting);
    return link;
  }
  static std::unique_ptr<RemoteLink> Remote(int port, std::vector<Message>* got = nullptr) {
    auto link = std::make_unique<RemoteLink>();
    link->Usuario(kRemoteStation);
    link->DireccionIP("127.0.0.1");
    link->Puerto(port);
    if (got) link->OnMessage = [got](const Message& m) { got->push_back(m); };
    EXPECT_TRUE(link->Conectar());
    return link;
  }
  // A bare socket to the port; returns once connected (or already closed
  // again by the other side).
  static std::unique_ptr<QTcpSocket> Raw(int port) {
    auto s = std::make_unique<QTcpSocket>();
    bool connected = false;
    QObject::connect(s.get(), &QTcpSocket::connected, [&connected] { connected = true; });
    s->connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    EXPECT_TRUE(Until([&] { return connected; }));
    QObject::disconnect(s.get(), &QTcpSocket::connected, nullptr, nullptr);
    return s;
  }
  static bool Connected(const RemoteLink& l) { return l.State() == LinkState::kConnected; }
  static void FillSettings(RemoteLink& l, int base) {
    Message& m = l.Outgoing();
    m.SetEmpty(1);
    m.SetEmpty(2);
    for (int n = 3; n <= 17; ++n) m.SetNumber(n, static_cast<std::int16_t>(base + n));
  }
};

TEST_F(Link, StationsExchangeMessagesInOrderEvenAcrossANestedEventLoop) {
  std::vector<Message> at_board, at_remote;
  auto board = Board(&at_board);
  auto remote = Remote(board->ListeningPort(), &at_remote);
  ASSERT_TRUE(Until([&] { return Connected(*board) && Connected(*remote); })) << remote->StatusText();
  EXPECT_TRUE(Has(board->StatusText(), "127.0.0.1"));
  // Each message leaves at once on both sides (the connecting socket gets its
  // options once it exists).
  EXPECT_TRUE(board->LowDelay());
  EXPECT_TRUE(remote->LowDelay());

  // The board station's handler lets events run, as the window's does; the
  // messages that arrive meanwhile wait their turn.
  int depth = 0, deepest = 0;
  board->OnMessage = [&](const Message& m) {
    ++depth;
    deepest = std::max(deepest, depth);
    at_board.push_back(m);
    Spin(30);
    board->Outgoing().SetSamples(1, std::vector<std::uint8_t>(8193, 9).data(), 8193);
    board->Outgoing().SetSamples(2, std::vector<std::uint8_t>(100, 200).data(), 100);
    board->EnviarS(m.kind);
    --depth;
  };
  for (int i = 0; i < 3; ++i) {
    FillSettings(*remote, 10 * i);
    ASSERT_TRUE(remote->Enviar());
  }
  ASSERT_TRUE(Until([&] { return at_remote.size() == 3; })) << remote->StatusText();
  EXPECT_EQ(deepest, 1);
  ASSERT_EQ(at_board.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(at_board[i].kind, 1);
    EXPECT_EQ(at_board[i].d(3).number, 10 * i + 3);
    EXPECT_EQ(at_board[i].d(17).type, orva::link::kSlotNumber);
  }
  const Message& samples = at_remote[0];
  EXPECT_EQ(samples.kind, 0);
  EXPECT_EQ(samples.value, 1);  // answers a kind-1 message
  EXPECT_EQ(samples.d(1).samples[8192], 9);
  EXPECT_EQ(samples.d(2).samples[99], 200);
  EXPECT_EQ(samples.d(2).samples[100], 128);
  EXPECT_EQ(remote->Counters().received, 3);
  EXPECT_EQ(board->Counters().sent, 3);
}

TEST_F(Link, EitherSideLeavingIsReportedAndTheLinkCanBeMadeAgain) {
  auto board = Board();
  const int port = board->ListeningPort();
  auto remote = Remote(port);
  ASSERT_TRUE(Until([&] { return Connected(*board); }));

  remote->Close();
  ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }));
  EXPECT_TRUE(Has(board->StatusText(), "link lost")) << board->StatusText();
  EXPECT_TRUE(Has(board->StatusText(), "closed the connection")) << board->StatusText();

  // The remote station reconnects to the waiting board station.
  ASSERT_TRUE(remote->Conectar());
  ASSERT_TRUE(Until([&] { return Connected(*board) && Connected(*remote); }));

  board.reset();  // the board station's program ends
  ASSERT_TRUE(Until([&] { return remote->State() == LinkState::kLost; }));
  EXPECT_TRUE(Has(remote->StatusText(), "board station closed")) << remote->StatusText();
  EXPECT_FALSE(remote->Enviar());
}

TEST_F(Link, RefusalsAndTimeOutsSayWhatHappened) {
  // Nothing listens on a port just freed.
  int free_port = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    free_port = probe.serverPort();
  }
  auto remote = Remote(free_port);
  ASSERT_TRUE(Until([&] { return remote->State() == LinkState::kRefused; }));
  EXPECT_TRUE(Has(remote->StatusText(), "refused the connection")) << remote->StatusText();

  RemoteLink bad_port;
  bad_port.Usuario(kRemoteStation);
  bad_port.DireccionIP("127.0.0.1");
  bad_port.Puerto(70000);
  EXPECT_FALSE(bad_port.Conectar());
  EXPECT_TRUE(Has(bad_port.StatusText(), "not a TCP port"));

  // A board station that accepts and then never answers.
  QTcpServer silent;
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
  auto remote2 = Remote(silent.serverPort());
  remote2->SetReplyTimeoutMs(300);
  ASSERT_TRUE(Until([&] { return Connected(*remote2); }));
  FillSettings(*remote2, 0);
  ASSERT_TRUE(remote2->Enviar());
  ASSERT_TRUE(Until([&] { return remote2->State() == LinkState::kLost; }, 3000));
  EXPECT_TRUE(Has(remote2->StatusText(), "no answer from the board station for 0.3 s")) << remote2->StatusText();

  // A second board station on a port in use.
  auto board = Board();
  RemoteLink twin;
  twin.Usuario(kBoardStation);
  twin.Puerto(board->ListeningPort());
  EXPECT_FALSE(twin.Conectar());
  EXPECT_EQ(twin.State(), LinkState::kRefused);
  EXPECT_TRUE(Has(twin.StatusText(), "using it")) << twin.StatusText();
}

TEST_F(Link, APeerThatVanishesOrStallsMidMessageIsDisconnected) {
  auto board = Board();
  board->SetReplyTimeoutMs(300);
  const QByteArray frame = Frame(ValidMap(1, 0, true));
  {
    auto raw = Raw(board->ListeningPort());
    ASSERT_TRUE(Until([&] { return Connected(*board); }));
    raw->write(frame.left(5000));
    raw->flush();
    Spin(50);
    raw->close();
    ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }));
    EXPECT_TRUE(Has(board->StatusText(), "in the middle of a message")) << board->StatusText();
  }
  {
    auto raw = Raw(board->ListeningPort());
    ASSERT_TRUE(Until([&] { return Connected(*board); }));
    raw->write(frame.left(5000));
    ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }, 3000));
    EXPECT_TRUE(Has(board->StatusText(), "stopped in the middle of a message")) << board->StatusText();
    EXPECT_TRUE(Until([&] { return raw->state() == QAbstractSocket::UnconnectedState; }));
  }
}

TEST_F(Link, HostileFramesAreDroppedOrCloseTheConnectionAndNothingReachesTheProgram) {
  std::vector<Message> got;
  auto board = Board(&got);
  // Well framed but not messages: dropped one by one, the link stays.
  {
    auto raw = Raw(board->ListeningPort());
    ASSERT_TRUE(Until([&] { return Connected(*board); }));
    QCborMap missing = ValidMap(1, 0, false);
    missing.remove(QStringLiteral("t12"));
    QCborMap wrong_type = ValidMap(1, 0, false);
    wrong_type[QStringLiteral("d8")] = QStringLiteral("eight");
    QCborMap short_samples = ValidMap(0, 1, true);
    short_samples[QStringLiteral("d2")] = QByteArray(4000, 'x');
    raw->write(Frame(QCborValue(QStringLiteral("not a map")).toCbor()) + Frame(missing) +
               Frame(wrong_type) + Frame(short_samples) + Frame(QByteArray("\x1c\x00", 2)) +
               Frame(ValidMap(1, 0, false)));
    ASSERT_TRUE(Until([&] { return got.size() == 1; })) << board->StatusText();
    EXPECT_EQ(board->Counters().dropped, 5);
    EXPECT_TRUE(Connected(*board));
    EXPECT_TRUE(Has(board->StatusText(), "dropped 5 invalid message")) << board->StatusText();
  }
  ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }));
  // Garbage, or a frame above the limit: the stream cannot be trusted.
  for (const QByteArray& bytes : {QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n"),
                                  QByteArray("\x00\x00\x43\x00", 4) + QByteArray(17152, 'a')}) {
    auto raw = Raw(board->ListeningPort());
    ASSERT_TRUE(Until([&] { return Connected(*board); }));
    raw->write(bytes);
    ASSERT_TRUE(Until([&] { return raw->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(board->State(), LinkState::kWaiting);
    EXPECT_TRUE(Has(board->StatusText(), "cannot be trusted")) << board->StatusText();
  }
  EXPECT_EQ(got.size(), 1u);
}

TEST_F(Link, OnePeerAtATimeAndOnlyTheAllowedAddress) {
  auto board = Board();
  const int port = board->ListeningPort();
  auto remote = Remote(port);
  ASSERT_TRUE(Until([&] { return Connected(*board) && Connected(*remote); }));
  auto second = Raw(port);
  ASSERT_TRUE(Until([&] { return second->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_TRUE(Connected(*board));
  EXPECT_TRUE(Connected(*remote));
  EXPECT_TRUE(Has(board->StatusText(), "refused a second connection")) << board->StatusText();

  // A second remote station hears why it was turned away.
  auto late = Remote(port);
  ASSERT_TRUE(Until([&] { return late->State() == LinkState::kLost; }));
  EXPECT_TRUE(Has(late->StatusText(), "busy with another remote station")) << late->StatusText();
  remote->Close();
  ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }));

  std::string error;
  EXPECT_FALSE(board->SetAllowedPeer("192.168.1.300", &error));
  EXPECT_TRUE(Has(error, "neither an IP address nor a subnet"));
  ASSERT_TRUE(board->SetAllowedPeer("10.1.2.3", &error));
  auto stranger = Raw(port);
  ASSERT_TRUE(Until([&] { return stranger->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(board->State(), LinkState::kWaiting);
  EXPECT_TRUE(Has(board->StatusText(), "only 10.1.2.3 may connect")) << board->StatusText();
  ASSERT_TRUE(board->SetAllowedPeer("127.0.0.0/8", &error));
  auto friendly = Remote(port);
  EXPECT_TRUE(Until([&] { return Connected(*board) && Connected(*friendly); }));
}

// The board station's one seat goes to a peer that speaks: one that says
// nothing after connecting, or falls silent later, loses it; a remote
// station that has not started its exchange keeps it with keep-alives.
TEST_F(Link, TheSeatGoesToAPeerThatSpeaks) {
  std::vector<Message> got;
  auto board = Board(&got);
  board->SetFirstMessageTimeoutMs(300);
  board->SetReplyTimeoutMs(400);
  const int port = board->ListeningPort();
  {
    auto silent = Raw(port);
    ASSERT_TRUE(Until([&] { return Connected(*board); }));
    ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }, 3000));
    EXPECT_TRUE(Has(board->StatusText(), "no message within 0.3 s of connecting")) << board->StatusText();
    EXPECT_TRUE(Until([&] { return silent->state() == QAbstractSocket::UnconnectedState; }));
  }
  {
    auto quiet = Raw(port);
    ASSERT_TRUE(Until([&] { return Connected(*board); }));
    quiet->write(Frame(ValidMap(1, 0, false)));  // one message, then nothing
    ASSERT_TRUE(Until([&] { return got.size() == 1; }));
    ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }, 3000));
    EXPECT_TRUE(Has(board->StatusText(), "sent nothing for 0.4 s")) << board->StatusText();
  }
  // A real remote station that has not started its exchange: three times
  // the seat's limits pass, and it is still connected.
  RemoteLink remote;
  remote.Usuario(kRemoteStation);
  remote.DireccionIP("127.0.0.1");
  remote.Puerto(port);
  remote.SetKeepAliveMs(100);
  ASSERT_TRUE(remote.Conectar());
  ASSERT_TRUE(Until([&] { return Connected(*board) && Connected(remote); })) << board->StatusText();
  Spin(1200);
  EXPECT_TRUE(Connected(*board)) << board->StatusText();
  EXPECT_TRUE(Connected(remote)) << remote.StatusText();
  EXPECT_GE(board->Counters().keepalives_received, 5);
  EXPECT_LE(board->Counters().keepalives_received, remote.Counters().keepalives_sent);
  EXPECT_EQ(got.size(), 1u);  // keep-alives are not messages
  EXPECT_EQ(board->Counters().dropped, 0);
}

// A remote station that closes and connects again at once: the board station
// may see the new connection before the old one's end, and must still take it.
TEST_F(Link, AReconnectionRightAfterADisconnectIsAccepted) {
  auto board = Board();
  auto remote = Remote(board->ListeningPort());
  ASSERT_TRUE(Until([&] { return Connected(*board) && Connected(*remote); }));
  for (int i = 0; i < 5; ++i) {
    remote->Close();
    ASSERT_TRUE(remote->Conectar());
    ASSERT_TRUE(Until([&] { return Connected(*remote); })) << i << ": " << remote->StatusText();
    Spin(400);  // longer than the grace a newcomer may wait for the seat
    EXPECT_TRUE(Connected(*remote)) << i << ": " << remote->StatusText();
    EXPECT_TRUE(Connected(*board)) << i << ": " << board->StatusText();
    EXPECT_FALSE(Has(board->StatusText(), "refused")) << i << ": " << board->StatusText();
  }
}

TEST_F(Link, APeerThatStopsReadingIsDisconnected) {
  auto board = Board();
  board->OnMessage = [&](const Message& m) {
    board->Outgoing().SetSamples(1, nullptr, 0);
    board->Outgoing().SetSamples(2, nullptr, 0);
    board->EnviarS(m.kind);
  };
  auto raw = Raw(board->ListeningPort());
  raw->setReadBufferSize(1);  // takes next to nothing of what comes back
  ASSERT_TRUE(Until([&] { return Connected(*board); }));
  const QByteArray one = Frame(ValidMap(1, 0, false));
  QByteArray many;
  for (int i = 0; i < 1500; ++i) many += one;
  raw->write(many);
  ASSERT_TRUE(Until([&] { return board->State() == LinkState::kWaiting; }, 15000)) << board->StatusText();
  EXPECT_TRUE(Has(board->StatusText(), "stopped taking the messages")) << board->StatusText();
}

// A board station without the right to use low ports says how to get on.
TEST_F(Link, PortBelow1024WithoutPrivilegeNamesTheWaysOut) {
  const auto attempt = [] {
    RemoteLink board;
    board.Usuario(kBoardStation);
    board.Puerto(100);
    const bool ok = board.Conectar();
    return std::make_pair(ok, board.StatusText());
  };
  if (geteuid() != 0) {
    const auto [ok, text] = attempt();
    if (ok) GTEST_SKIP() << "this system lets anyone use port 100";
    EXPECT_TRUE(Has(text, "below 1024")) << text;
    EXPECT_TRUE(Has(text, "setcap cap_net_bind_service+ep")) << text;
    EXPECT_TRUE(Has(text, "both stations")) << text;
    return;
  }
  // As root, try it in a child that gives up root (and with it the right).
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(3);
    const auto [ok, text] = attempt();
    if (ok) _exit(4);
    _exit(Has(text, "below 1024") && Has(text, "setcap cap_net_bind_service+ep") &&
                  Has(text, "both stations")
              ? 0
              : 5);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 4) GTEST_SKIP() << "this system lets anyone use port 100";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
