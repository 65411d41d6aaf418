#include <enet/enet.h>
#include <enet/time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/netio/netio.h"

namespace netio {

Message::Message(uint32_t from, const uint8_t* data, size_t size) : Message(from, data, size, nullptr) {}

Message::Message(uint32_t from, const uint8_t* data, size_t size, std::shared_ptr<HeldAccount> account)
    : data_(new uint8_t[size ? size : 1]), size_(size), from_(from), account_(std::move(account)) {
    if (size) std::memcpy(data_.get(), data, size);
    if (account_) {
        account_->messages += 1;
        account_->bytes += size;
    }
}

Message::Message(Message&& other) noexcept { *this = std::move(other); }

Message& Message::operator=(Message&& other) noexcept {
    if (this == &other) return *this;
    Release();
    data_ = std::move(other.data_);
    size_ = std::exchange(other.size_, 0);
    from_ = other.from_;
    account_ = std::move(other.account_);
    return *this;
}

void Message::Release() {
    if (account_) {
        account_->messages -= 1;
        account_->bytes -= size_;
        account_.reset();
    }
    data_.reset();
    size_ = 0;
}

namespace {

constexpr enet_uint8 kControlChannel = 0;   // the hello and the host's answer
constexpr enet_uint8 kDataChannel = 1;      // the program's messages
constexpr size_t kChannels = 2;
constexpr size_t kServerPeers = 32;         // the seven clients and room for ones not yet admitted
// ENet drops larger frames itself; between our limit and this one the sender is sent away.
constexpr size_t kEnetPacketLimit = size_t(1) << 20;
constexpr uint32_t kServiceMs = 2;
constexpr uint32_t kFarewellMs = 300;
// After the farewell wait the goodbye is kept going this long more, so that losing a datagram of
// it costs a resend rather than the other side's time-out.
constexpr uint32_t kGoodbyeResendMs = 1200;
constexpr enet_uint32 kLeastResendMs = 50;
// How long a client waits for the host's answer to its hello before giving up.
constexpr uint32_t kAcceptWaitMs = 2 * kHelloTimeoutMs + 5000;

uint32_t NowMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool InitEnet() {
    static const bool ok = [] {
        if (enet_initialize() != 0) return false;
        std::atexit(enet_deinitialize);
        return true;
    }();
    return ok;
}

// ENet times a resend from its mean round trip plus four deviations, three round trips and more
// on a young connection, which would leave no resend of a goodbye inside the bound: it is resent
// after a round trip and a quarter instead, doubling as ENet doubles.
void HurryGoodbye(ENetPeer* peer) {
    const enet_uint32 resend = std::max<enet_uint32>(peer->roundTripTime + peer->roundTripTime / 4, kLeastResendMs);
    for (ENetList* list : {&peer->sentReliableCommands, &peer->outgoingCommands}) {
        const bool sent = list == &peer->sentReliableCommands;
        for (ENetListIterator it = enet_list_begin(list); it != enet_list_end(list); it = enet_list_next(it)) {
            ENetOutgoingCommand* c = reinterpret_cast<ENetOutgoingCommand*>(it);
            if ((c->command.header.command & ENET_PROTOCOL_COMMAND_MASK) != ENET_PROTOCOL_COMMAND_DISCONNECT) continue;
            if (c->roundTripTimeout != 0 && c->roundTripTimeout <= resend) continue;
            c->roundTripTimeout = resend;
            c->roundTripTimeoutLimit = peer->timeoutLimit * resend;
            if (sent && ENET_TIME_LESS(c->sentTime + resend, peer->nextTimeout)) peer->nextTimeout = c->sentTime + resend;
        }
    }
}

// How long ENet waits on an unacknowledged datagram before its first resend: the round trip it
// measured plus four deviations.
uint32_t ResendMs(const ENetPeer* peer) {
    const uint64_t ms = uint64_t(peer->roundTripTime) + 4 * uint64_t(peer->roundTripTimeVariance);
    return uint32_t(std::min<uint64_t>(ms, kMaxLateBoundMs));
}

// A late bound takes the longest resend wait of this span and the one before.
constexpr uint32_t kResendPeakSpanMs = kMaxLateBoundMs;

struct Command {
    enum Kind { SEND, DISCONNECT, DISCOVER, CANCEL_DISCOVERY, CONNECT } kind;
    uint32_t target = 0;
    std::vector<uint8_t> bytes;
    std::string text;
    uint16_t port = 0;
    uint32_t retryMs = 0;
    bool broadcast = false;
};

class Worker;
thread_local Worker* tls_Worker = nullptr;

// What both ends share: the ENet host, the thread that alone touches it and the work queued for it.
class Worker {
public:
    virtual ~Worker() = default;

    void Launch(ENetHost* host) {
        host_ = host;
        host_->maximumPacketSize = kEnetPacketLimit;
        host_->intercept = Intercept;
        stop_ = false;
        closing_ = false;
        thread_ = std::thread([this] { Run(); });
    }

    void Post(Command c) {
        std::lock_guard<std::mutex> lock(commandLock_);
        if (!closing_) commands_.push_back(std::move(c));
    }

    void Stop() {
        closing_ = true;
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

protected:
    // Callbacks are quiet from the moment Close begins.
    bool Quiet() const { return closing_.load(); }

    virtual void Execute(Command& c) = 0;
    virtual void Handle(ENetEvent& e) = 0;
    virtual void Tick(uint32_t now) = 0;
    // True when the datagram was one of ours (and was consumed).
    virtual bool Datagram(const ENetAddress& from, const uint8_t* data, size_t size) = 0;
    // Queues the goodbye, through SayGoodbye, to each peer that is owed one.
    virtual void Farewell() = 0;
    virtual uint32_t FarewellReason() const = 0;
    virtual void Forget(ENetPeer* peer) = 0;

    void SendRaw(const ENetAddress& to, const std::vector<uint8_t>& bytes) {
        ENetBuffer b;
        b.data = const_cast<uint8_t*>(bytes.data());
        b.dataLength = bytes.size();
        enet_socket_send(host_->socket, &to, &b, 1);
    }

    // Later, not now: a plain disconnect drops what is still queued, so the last message sent
    // before Close (a fighter request, a leave's last events) would never leave.
    void SayGoodbye(ENetPeer* peer) {
        enet_peer_disconnect_later(peer, FarewellReason());
        Owe(peer);
    }

    // Once Close has begun, whoever is sent away is kept being told, as a goodbye is, and Close
    // waits on it inside the same bounds: said once, a lost datagram would leave a newcomer to
    // its time-out.
    void SendAway(ENetPeer* peer, uint32_t reason) {
        enet_peer_disconnect(peer, reason);
        if (!closing_ || peer->state != ENET_PEER_STATE_DISCONNECTING) return;
        Owe(peer);
        HurryGoodbye(peer);
    }

    ENetHost* host_ = nullptr;

private:
    struct Owed {
        ENetPeer* peer;
        enet_uint32 connectId;  // a slot freed and taken by a newcomer no longer counts
    };

    void Owe(ENetPeer* peer) {
        for (Owed& o : owed_)
            if (o.peer == peer) {
                o.connectId = peer->connectID;
                return;
            }
        owed_.push_back({peer, peer->connectID});
    }

    // Close waits only on the peers it told goodbye: one sent away before, and silent since,
    // would hold it to the end of every bound.
    bool FarewellDone() const {
        for (const Owed& o : owed_)
            if (o.peer->state != ENET_PEER_STATE_DISCONNECTED && o.peer->connectID == o.connectId) return false;
        return true;
    }

    void Settle(uint32_t boundMs) {
        const uint32_t start = NowMs();
        while (!FarewellDone() && NowMs() - start < boundMs) Service(kServiceMs);
    }

    static int Intercept(ENetHost* host, ENetEvent*) {
        Worker* w = tls_Worker;
        if (!w || host != w->host_) return 0;
        return w->Datagram(host->receivedAddress, host->receivedData, host->receivedDataLength) ? 1 : 0;
    }

    void RunCommands() {
        std::vector<Command> work;
        {
            std::lock_guard<std::mutex> lock(commandLock_);
            work.swap(commands_);
        }
        for (Command& c : work) Execute(c);
    }

    void Service(uint32_t waitMs) {
        ENetEvent e;
        int r = enet_host_service(host_, &e, waitMs);
        while (r > 0) {
            Handle(e);
            r = enet_host_check_events(host_, &e);
        }
    }

    void Run() {
        tls_Worker = this;
        while (!stop_) {
            RunCommands();
            Tick(NowMs());
            Service(kServiceMs);
        }
        // What was queued before Close still leaves, then the peers are told goodbye.
        RunCommands();
        Farewell();
        Settle(kFarewellMs);
        // A goodbye still waiting on its queue (a slow link, a busy peer) would never be sent and
        // the peer would learn of the end only from its time-out, half a minute on: it is told
        // plainly now, dropping what is unacknowledged. Peers already gone are passed over by ENet;
        // one whose handshake ended during the wait is owed a goodbye too. A newcomer still in its
        // handshake would be told in one datagram nobody resends and then forgotten: it is owed and
        // left to finish it, then sent away and kept being told as any newcomer of a closing host is.
        for (size_t i = 0; i < host_->peerCount; ++i) {
            ENetPeer* peer = &host_->peers[i];
            const bool joining = peer->state == ENET_PEER_STATE_ACKNOWLEDGING_CONNECT;
            if (joining || peer->state == ENET_PEER_STATE_CONNECTED || peer->state == ENET_PEER_STATE_DISCONNECT_LATER)
                Owe(peer);
            if (!joining) enet_peer_disconnect(peer, FarewellReason());
        }
        for (const Owed& o : owed_)
            if (o.peer->state == ENET_PEER_STATE_DISCONNECTING) HurryGoodbye(o.peer);
        // One datagram is all a goodbye would be: ENet resends it, to the peers told just now and
        // to those whose queued goodbye left unacknowledged, only while the host is serviced.
        Settle(kGoodbyeResendMs);
        // A newcomer still in its handshake would hear nothing more once the host is gone.
        for (size_t i = 0; i < host_->peerCount; ++i) enet_peer_disconnect(&host_->peers[i], FarewellReason());
        enet_host_flush(host_);
        for (size_t i = 0; i < host_->peerCount; ++i) Forget(&host_->peers[i]);
        enet_host_destroy(host_);
        host_ = nullptr;
        tls_Worker = nullptr;
    }

    std::thread thread_;
    std::mutex commandLock_;
    std::vector<Command> commands_;
    std::vector<Owed> owed_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> closing_{false};
};

// Why a peer's frame must send it away, REFUSE_NONE when it may pass.
uint32_t CheckFrame(const ENetEvent& e, const HeldAccount& held) {
    if (e.channelID != kDataChannel) return REFUSE_MALFORMED;
    const size_t n = e.packet->dataLength;
    if (n > kMaxFrameBytes) return REFUSE_OVERSIZED;
    if (held.messages.load() >= kMaxHeldMessages || held.bytes.load() + n > kMaxHeldBytes) return REFUSE_FLOOD;
    return REFUSE_NONE;
}

void SendOn(ENetPeer* peer, enet_uint8 channel, const std::vector<uint8_t>& bytes) {
    ENetPacket* p = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (p && enet_peer_send(peer, channel, p) != 0) enet_packet_destroy(p);
}

std::string AddressText(const ENetAddress& a) {
    char text[64] = {};
    if (enet_address_get_host_ip(&a, text, sizeof text) != 0) return std::string();
    return text;
}

}  // namespace

// ---- host ----------------------------------------------------------------------------

struct Server::Impl final : Worker {
    struct Peer {
        uint32_t id = 0;        // 0 until admitted
        uint32_t since = 0;
        bool gone = false;      // refused or sent away; nothing more is taken from it
        size_t slot = 0;        // of lateBounds, while admitted
        uint32_t resendPeak = 0, resendPeakBefore = 0, peakSince = 0;
        std::shared_ptr<HeldAccount> held = std::make_shared<HeldAccount>();
    };

    ServerDesc desc;
    ServerCallbacks cb;
    Guid instance;
    uint16_t port = 0;
    std::atomic<int> admitted{0};
    // Each admitted player's late bound, the player in the high half and the bound in the low, so
    // that other threads read both in one load; 0 is a free slot.
    std::array<std::atomic<uint64_t>, kMaxPlayers - 1> lateBounds{};
    uint32_t nextId = 2;    // the host's own player would be 1; it is never announced
    std::unordered_map<uint32_t, ENetPeer*> players;

    ~Impl() override { Stop(); }

    uint32_t NewId() {
        for (;;) {
            const uint32_t id = nextId++;
            if (id != 0 && id != 1 && !players.count(id)) return id;
        }
    }

    // A message behind a lost datagram waits for its resend and, lost again, for one more after
    // twice the wait. ENet looks for datagrams to resend only when its oldest unacknowledged one
    // is due, so one lost while an older one sits out its doubled wait is first resent up to three
    // waits after it left: five waits in all. The sender timed them from its own measure of the
    // link, taken seconds before, which strays from ours as far as ours strays over that time: the
    // longest of our recent waits stands for it.
    void PublishLateBound(const ENetPeer* peer, Peer* rec, uint32_t now) {
        if (now - rec->peakSince >= kResendPeakSpanMs) {
            rec->resendPeakBefore = rec->resendPeak;
            rec->resendPeak = 0;
            rec->peakSince = now;
        }
        rec->resendPeak = std::max(rec->resendPeak, ResendMs(peer));
        const uint32_t bound = std::min(5 * std::max(rec->resendPeak, rec->resendPeakBefore), kMaxLateBoundMs);
        lateBounds[rec->slot].store(uint64_t(rec->id) << 32 | bound);
    }

    void Depart(Peer* rec) {
        players.erase(rec->id);
        lateBounds[rec->slot].store(0);
        admitted -= 1;
        if (!Quiet() && cb.playerLeft) cb.playerLeft(rec->id);
    }

    void Refuse(ENetPeer* peer, Peer* rec, uint32_t reason) {
        if (rec->gone) return;
        rec->gone = true;
        if (rec->id) Depart(rec);
        SendAway(peer, reason);
    }

    void Admit(ENetPeer* peer, Peer* rec, const Hello& hello) {
        rec->id = NewId();
        players[rec->id] = peer;
        // Fewer players than slots are admitted, so one is free.
        while (lateBounds[rec->slot].load() != 0) rec->slot += 1;
        PublishLateBound(peer, rec, NowMs());
        admitted += 1;
        SendOn(peer, kControlChannel, EncodeAccept(rec->id));
        if (!Quiet() && cb.playerJoined) cb.playerJoined(rec->id, hello.name);
    }

    void Receive(ENetEvent& e, Peer* rec) {
        if (rec->gone) return;
        // A hello that reaches a closing host is answered with the end, not an accept.
        if (!rec->id && Quiet()) {
            Refuse(e.peer, rec, REFUSE_CLOSING);
            return;
        }
        if (!rec->id) {
            Hello hello;
            const HelloResult r = e.channelID == kControlChannel
                                      ? ParseHello(e.packet->data, e.packet->dataLength, desc.application, &hello)
                                      : HelloResult::Malformed;
            if (r == HelloResult::WrongApplication)
                Refuse(e.peer, rec, REFUSE_WRONG_APPLICATION);
            else if (r == HelloResult::Malformed)
                Refuse(e.peer, rec, REFUSE_MALFORMED);
            else if (admitted.load() >= kMaxPlayers - 1)
                Refuse(e.peer, rec, REFUSE_FULL);
            else
                Admit(e.peer, rec, hello);
            return;
        }
        if (const uint32_t bad = CheckFrame(e, *rec->held)) {
            Refuse(e.peer, rec, bad);
            return;
        }
        Message m(rec->id, e.packet->data, e.packet->dataLength, rec->held);
        if (!Quiet() && cb.received) cb.received(std::move(m));
    }

    void Handle(ENetEvent& e) override {
        Peer* rec = e.peer ? static_cast<Peer*>(e.peer->data) : nullptr;
        switch (e.type) {
        case ENET_EVENT_TYPE_CONNECT:
            rec = new Peer;
            rec->since = NowMs();
            e.peer->data = rec;
            // Nobody joins a closing session: told now, the newcomer knows within a round trip.
            if (Quiet()) Refuse(e.peer, rec, REFUSE_CLOSING);
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (rec) Receive(e, rec);
            enet_packet_destroy(e.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (rec && rec->id && !rec->gone) Depart(rec);
            Forget(e.peer);
            break;
        default: break;
        }
    }

    void Forget(ENetPeer* peer) override {
        delete static_cast<Peer*>(peer->data);
        peer->data = nullptr;
    }

    void Tick(uint32_t now) override {
        for (size_t i = 0; i < host_->peerCount; ++i) {
            ENetPeer* peer = &host_->peers[i];
            Peer* rec = static_cast<Peer*>(peer->data);
            if (rec && !rec->id && !rec->gone && now - rec->since > desc.helloTimeoutMs)
                Refuse(peer, rec, REFUSE_NO_HELLO);
            else if (rec && rec->id && !rec->gone)
                PublishLateBound(peer, rec, now);
        }
    }

    void Execute(Command& c) override {
        if (c.kind == Command::DISCONNECT) {
            auto it = players.find(c.target);
            if (it != players.end()) Refuse(it->second, static_cast<Peer*>(it->second->data), REFUSE_BY_HOST);
            return;
        }
        if (c.kind != Command::SEND) return;
        if (c.target != 0) {
            auto it = players.find(c.target);
            if (it != players.end()) SendOn(it->second, kDataChannel, c.bytes);
            return;
        }
        if (players.empty()) return;
        ENetPacket* p = enet_packet_create(c.bytes.data(), c.bytes.size(), ENET_PACKET_FLAG_RELIABLE);
        if (!p) return;
        for (auto& entry : players) enet_peer_send(entry.second, kDataChannel, p);
        if (p->referenceCount == 0) enet_packet_destroy(p);
    }

    bool Datagram(const ENetAddress& from, const uint8_t* data, size_t size) override {
        if (!IsSearchDatagram(data, size)) return false;
        if (Quiet()) return true;   // a closing session is not to be found
        uint32_t token = 0;
        if (!ParseDiscoveryRequest(data, size, desc.application, &token)) return true;
        DiscoveryAnswer a;
        a.application = desc.application;
        a.instance = instance;
        a.token = token;
        a.players = uint8_t(admitted.load() + 1);
        a.maxPlayers = kMaxPlayers;
        a.appDataSize = std::min<uint8_t>(desc.appDataSize, kMaxAppData);
        std::memcpy(a.appData, desc.appData, a.appDataSize);
        a.name = desc.sessionName;
        SendRaw(from, EncodeDiscoveryAnswer(a));
        return true;
    }

    void Farewell() override {
        for (size_t i = 0; i < host_->peerCount; ++i)
            if (host_->peers[i].state == ENET_PEER_STATE_CONNECTED) SayGoodbye(&host_->peers[i]);
    }
    uint32_t FarewellReason() const override { return REFUSE_CLOSING; }
};

Server::Server() = default;
Server::~Server() { Close(); }

bool Server::Start(const ServerDesc& desc, ServerCallbacks callbacks) {
    Close();
    if (!InitEnet()) return false;
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    if (!desc.bindAddress.empty() && enet_address_set_host_ip(&address, desc.bindAddress.c_str()) != 0) return false;
    address.port = desc.port;
    ENetHost* host = enet_host_create(&address, kServerPeers, kChannels, 0, 0);
    if (!host) return false;
    ENetAddress bound;
    if (enet_socket_get_address(host->socket, &bound) != 0) {
        enet_host_destroy(host);
        return false;
    }
    auto impl = std::make_unique<Impl>();
    impl->desc = desc;
    impl->cb = std::move(callbacks);
    impl->instance = RandomGuid();
    impl->port = bound.port;
    impl->Launch(host);
    impl_ = std::move(impl);
    return true;
}

uint16_t Server::Port() const { return impl_ ? impl_->port : 0; }
Guid Server::Instance() const { return impl_ ? impl_->instance : Guid{}; }
int Server::PlayerCount() const { return impl_ ? impl_->admitted.load() + 1 : 0; }

uint32_t Server::LateBoundMs(uint32_t player) const {
    if (!impl_ || player == 0) return 0;
    for (const std::atomic<uint64_t>& slot : impl_->lateBounds) {
        const uint64_t v = slot.load();
        if (uint32_t(v >> 32) == player) return uint32_t(v);
    }
    return 0;
}

void Server::SendTo(uint32_t player, const void* data, size_t size) {
    if (!impl_ || !data || size == 0 || size > kMaxFrameBytes) return;
    Command c{Command::SEND};
    c.target = player;
    c.bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    impl_->Post(std::move(c));
}

void Server::Disconnect(uint32_t player) {
    if (!impl_) return;
    Command c{Command::DISCONNECT};
    c.target = player;
    impl_->Post(std::move(c));
}

void Server::Close() {
    if (!impl_) return;
    impl_->Stop();
    impl_.reset();
}

// ---- client --------------------------------------------------------------------------

struct Client::Impl final : Worker {
    Guid application;
    ClientCallbacks cb;
    ENetPeer* peer = nullptr;
    std::string name;
    bool admitted = false;
    uint32_t connectTime = 0;
    std::shared_ptr<HeldAccount> held = std::make_shared<HeldAccount>();

    bool searching = false;
    ENetAddress searchTarget{};
    uint32_t retryMs = kDiscoveryRetryMs;
    uint32_t lastRequest = 0;

    ~Impl() override { Stop(); }

    void Fail(uint32_t reason) {
        if (!Quiet() && cb.connected) cb.connected(false, reason);
    }

    // The connection is over: the host refused us, sent us away or went silent.
    void Ended(uint32_t reason) {
        const bool wasAdmitted = admitted;
        peer = nullptr;
        admitted = false;
        if (wasAdmitted) {
            if (!Quiet() && cb.terminated) cb.terminated();
        } else {
            Fail(reason);
        }
    }

    void Leave(uint32_t reason) {
        ENetPeer* p = peer;
        enet_peer_disconnect(p, reason);
        p->data = nullptr;
        Ended(reason);
    }

    void Receive(ENetEvent& e) {
        if (!admitted) {
            uint32_t id = 0;
            if (e.channelID == kControlChannel && ParseAccept(e.packet->data, e.packet->dataLength, &id)) {
                admitted = true;
                if (!Quiet() && cb.connected) cb.connected(true, REFUSE_NONE);
            } else {
                Leave(REFUSE_MALFORMED);
            }
            return;
        }
        if (const uint32_t bad = CheckFrame(e, *held)) {
            Leave(bad);
            return;
        }
        Message m(0, e.packet->data, e.packet->dataLength, held);
        if (!Quiet() && cb.received) cb.received(std::move(m));
    }

    void Handle(ENetEvent& e) override {
        const bool ours = peer && e.peer == peer;
        switch (e.type) {
        case ENET_EVENT_TYPE_CONNECT:
            if (ours) SendOn(peer, kControlChannel, EncodeHello(application, name));
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (ours) Receive(e);
            enet_packet_destroy(e.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (ours) Ended(e.data);
            break;
        default: break;
        }
    }

    void Forget(ENetPeer*) override {}

    void Tick(uint32_t now) override {
        if (peer && !admitted && now - connectTime > kAcceptWaitMs) {
            enet_peer_reset(peer);
            Ended(REFUSE_NO_HELLO);
        }
        if (searching && now - lastRequest >= retryMs) {
            lastRequest = now;
            SendRaw(searchTarget, EncodeDiscoveryRequest(application, now));
        }
    }

    void Execute(Command& c) override {
        switch (c.kind) {
        case Command::SEND:
            if (peer && admitted) SendOn(peer, kDataChannel, c.bytes);
            break;
        case Command::DISCOVER: {
            ENetAddress a;
            const int r = c.broadcast ? enet_address_set_host_ip(&a, c.text.c_str())
                                      : enet_address_set_host(&a, c.text.c_str());
            if (r != 0) break;
            a.port = c.port;
            searchTarget = a;
            retryMs = std::max<uint32_t>(c.retryMs, 1);
            searching = true;
            lastRequest = NowMs() - retryMs;
            break;
        }
        case Command::CANCEL_DISCOVERY: searching = false; break;
        case Command::CONNECT: {
            if (peer) {
                Fail(REFUSE_MALFORMED);
                break;
            }
            ENetAddress a;
            if (enet_address_set_host(&a, c.text.c_str()) != 0) {
                Fail(REFUSE_MALFORMED);
                break;
            }
            a.port = c.port;
            name = std::string(c.bytes.begin(), c.bytes.end());
            peer = enet_host_connect(host_, &a, kChannels, 0);
            connectTime = NowMs();
            if (!peer) Fail(REFUSE_MALFORMED);
            break;
        }
        default: break;
        }
    }

    bool Datagram(const ENetAddress& from, const uint8_t* data, size_t size) override {
        if (!IsSearchDatagram(data, size)) return false;
        DiscoveryAnswer a;
        if (!searching || !ParseDiscoveryAnswer(data, size, application, &a)) return true;
        SessionInfo s;
        s.instance = a.instance;
        s.name = a.name;
        s.players = a.players;
        s.maxPlayers = a.maxPlayers;
        std::memcpy(s.appData, a.appData, a.appDataSize);
        s.appDataSize = a.appDataSize;
        s.roundTripMs = NowMs() - a.token;
        s.hostAddress = AddressText(from);
        s.port = from.port;
        if (!Quiet() && cb.sessionFound) cb.sessionFound(s);
        return true;
    }

    void Farewell() override {
        if (peer) SayGoodbye(peer);
    }
    uint32_t FarewellReason() const override { return REFUSE_NONE; }
};

Client::Client() = default;
Client::~Client() { Close(); }

bool Client::Start(const Guid& application, ClientCallbacks callbacks) {
    Close();
    if (!InitEnet()) return false;
    ENetHost* host = enet_host_create(nullptr, 1, kChannels, 0, 0);
    if (!host) return false;
    enet_socket_set_option(host->socket, ENET_SOCKOPT_BROADCAST, 1);
    auto impl = std::make_unique<Impl>();
    impl->application = application;
    impl->cb = std::move(callbacks);
    impl->Launch(host);
    impl_ = std::move(impl);
    return true;
}

bool Client::Discover(const std::string& hostText, uint16_t port, const std::string& broadcastAddress,
                      uint32_t retryMs) {
    if (!impl_) return false;
    Command c{Command::DISCOVER};
    c.retryMs = retryMs;
    if (hostText.empty()) {
        c.broadcast = true;
        c.text = broadcastAddress;
        c.port = port ? port : kDefaultPort;
    } else if (!ParseHostText(hostText, port, &c.text, &c.port)) {
        return false;
    }
    impl_->Post(std::move(c));
    return true;
}

void Client::CancelDiscovery() {
    if (impl_) impl_->Post(Command{Command::CANCEL_DISCOVERY});
}

void Client::Connect(const std::string& hostAddress, uint16_t port, const std::string& name) {
    if (!impl_) return;
    Command c{Command::CONNECT};
    c.text = hostAddress;
    c.port = port;
    c.bytes.assign(name.begin(), name.end());
    impl_->Post(std::move(c));
}

void Client::Send(const void* data, size_t size) {
    if (!impl_ || !data || size == 0 || size > kMaxFrameBytes) return;
    Command c{Command::SEND};
    c.bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    impl_->Post(std::move(c));
}

void Client::Close() {
    if (!impl_) return;
    impl_->Stop();
    impl_.reset();
}

}  // namespace netio
