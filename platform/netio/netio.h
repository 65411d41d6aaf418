// Client/server sessions on ENet. Each Server or Client owns one network thread, which alone
// calls ENet; every callback runs on that thread and none runs once Close has returned. Calls
// from other threads only queue work for it, so none of them waits on the network.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/netio/wire.h"

namespace netio {

constexpr int kMaxPlayers = 8;                      // the host's own player included
constexpr size_t kMaxFrameBytes = 64 * 1024;        // a larger message disconnects its sender
constexpr size_t kMaxHeldMessages = 2500;           // received, not yet handed back, per peer
constexpr size_t kMaxHeldBytes = size_t(8) << 20;
constexpr uint32_t kHelloTimeoutMs = 3000;
constexpr uint32_t kDiscoveryRetryMs = 500;
// The most a player's late bound grows to: a peer slow to acknowledge, on purpose or not, would
// otherwise buy itself an allowance without end.
constexpr uint32_t kMaxLateBoundMs = 8000;

// What a peer's received messages still hold: counted up when one is made, down when it is
// handed back.
struct HeldAccount {
    std::atomic<size_t> messages{0};
    std::atomic<size_t> bytes{0};
};

// A received message. The bytes stay the program's until the handle lets go of them (Release or
// destruction); until then they count against their sender's allowance.
class Message {
public:
    Message() = default;
    // A message made here rather than received (tests); it counts against nobody.
    Message(uint32_t from, const uint8_t* data, size_t size);
    Message(uint32_t from, const uint8_t* data, size_t size, std::shared_ptr<HeldAccount> account);
    Message(Message&& other) noexcept;
    Message& operator=(Message&& other) noexcept;
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;
    ~Message() { Release(); }

    const uint8_t* Data() const { return data_.get(); }
    size_t Size() const { return size_; }
    uint32_t From() const { return from_; }   // the sender's player id; 0 for the host
    bool Empty() const { return !data_; }
    void Release();

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
    uint32_t from_ = 0;
    std::shared_ptr<HeldAccount> account_;
};

struct ServerDesc {
    uint16_t port = kDefaultPort;   // 0: any free port
    std::string bindAddress;        // empty: every interface
    Guid application;
    std::string sessionName;
    uint8_t appData[kMaxAppData] = {};
    uint8_t appDataSize = 0;
    uint32_t helloTimeoutMs = kHelloTimeoutMs;
};

struct ServerCallbacks {
    std::function<void(uint32_t player, const std::string& name)> playerJoined;
    std::function<void(uint32_t player)> playerLeft;
    std::function<void(Message&& message)> received;
    std::function<void()> terminated;
};

class Server {
public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the port and starts the network thread; false (logged by the caller) when the port
    // cannot be had. A server closed may be started again.
    bool Start(const ServerDesc& desc, ServerCallbacks callbacks);
    uint16_t Port() const;
    Guid Instance() const;
    // Players in the session, the host's own included.
    int PlayerCount() const;
    // How much later than its fellows a message from that player may reach us because datagrams
    // before it were lost and resent, twice over, as ENet times resends on that player's link;
    // at most kMaxLateBoundMs, 0 for a player not in the session. Any thread, without waiting.
    uint32_t LateBoundMs(uint32_t player) const;
    // To one player, or to every player for 0; reliable and ordered; never to the host itself.
    void SendTo(uint32_t player, const void* data, size_t size);
    void Disconnect(uint32_t player);
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One session found by a search.
struct SessionInfo {
    Guid instance;
    std::string name;
    int players = 0;
    int maxPlayers = 0;
    uint8_t appData[kMaxAppData] = {};
    uint8_t appDataSize = 0;
    uint32_t roundTripMs = 0;
    std::string hostAddress;    // dotted
    uint16_t port = 0;
};

struct ClientCallbacks {
    std::function<void(bool joined, uint32_t refuseReason)> connected;
    std::function<void(Message&& message)> received;
    std::function<void()> terminated;
    std::function<void(const SessionInfo& session)> sessionFound;
};

class Client {
public:
    Client();
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Start(const Guid& application, ClientCallbacks callbacks);
    // Asks "host[:port]" (see ParseHostText), or the broadcast address for an empty text, every
    // retry interval until cancelled. False for a text that names no host.
    bool Discover(const std::string& hostText, uint16_t port, const std::string& broadcastAddress = "255.255.255.255",
                  uint32_t retryMs = kDiscoveryRetryMs);
    void CancelDiscovery();
    // Completes through the connected callback.
    void Connect(const std::string& hostAddress, uint16_t port, const std::string& name);
    // To the host, reliable and ordered; nothing before the host admitted us or after the end.
    void Send(const void* data, size_t size);
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace netio
