#include "platform/netio/wire.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "common/binary_reader.h"

namespace netio {
namespace {

// ENet reads the first two bytes of its datagrams as a peer number; these read as one far above
// any peer a session host keeps, so the two kinds of datagram cannot be taken for each other.
constexpr uint8_t kHelloMagic[4] = {'B', 'V', 'H', '1'};
constexpr uint8_t kAcceptMagic[4] = {'B', 'V', 'A', '1'};
constexpr uint8_t kRequestMagic[4] = {'B', 'V', 'Q', '1'};
constexpr uint8_t kAnswerMagic[4] = {'B', 'V', 'R', '1'};

bool TakeMagic(BinaryReader& r, const uint8_t (&magic)[4]) {
    const uint8_t* at = r.Span(4);
    return at && std::memcmp(at, magic, 4) == 0;
}

bool TakeGuid(BinaryReader& r, Guid* out) { return r.ReadBytes(out->bytes, sizeof out->bytes); }

// A name of at most `limit` bytes after its length byte; zero bytes are refused.
bool TakeName(BinaryReader& r, size_t limit, std::string* out) {
    uint8_t n = 0;
    if (!r.ReadU8(n) || n > limit) return false;
    const uint8_t* at = r.Span(n);
    if (!at || std::memchr(at, 0, n)) return false;
    out->assign(reinterpret_cast<const char*>(at), n);
    return true;
}

void PutName(BinaryWriter& w, const std::string& name, size_t limit) {
    size_t n = std::min(name.size(), limit);
    if (const void* zero = std::memchr(name.data(), 0, n)) n = size_t(static_cast<const char*>(zero) - name.data());
    w.PutU8(uint8_t(n));
    w.PutBytes(name.data(), n);
}

}  // namespace

Guid RandomGuid() {
    std::random_device source;
    Guid g;
    for (size_t i = 0; i < sizeof g.bytes; i += 4) {
        const uint32_t v = source();
        std::memcpy(g.bytes + i, &v, 4);
    }
    return g;
}

std::vector<uint8_t> EncodeHello(const Guid& application, const std::string& name) {
    BinaryWriter w;
    w.PutBytes(kHelloMagic, 4);
    w.PutBytes(application.bytes, 16);
    PutName(w, name, kMaxNameChars);
    return w.Data();
}

HelloResult ParseHello(const uint8_t* data, size_t size, const Guid& expected, Hello* out) {
    BinaryReader r(data, size);
    Hello h;
    if (!TakeMagic(r, kHelloMagic) || !TakeGuid(r, &h.application) || !TakeName(r, kMaxNameChars, &h.name) ||
        r.Remaining() != 0)
        return HelloResult::Malformed;
    if (!(h.application == expected)) return HelloResult::WrongApplication;
    *out = h;
    return HelloResult::Ok;
}

std::vector<uint8_t> EncodeAccept(uint32_t playerId) {
    BinaryWriter w;
    w.PutBytes(kAcceptMagic, 4);
    w.PutU32(playerId);
    return w.Data();
}

bool ParseAccept(const uint8_t* data, size_t size, uint32_t* playerId) {
    BinaryReader r(data, size);
    uint32_t id = 0;
    if (!TakeMagic(r, kAcceptMagic) || !r.ReadU32(id) || r.Remaining() != 0 || id == 0) return false;
    *playerId = id;
    return true;
}

std::vector<uint8_t> EncodeDiscoveryRequest(const Guid& application, uint32_t token) {
    BinaryWriter w;
    w.PutBytes(kRequestMagic, 4);
    w.PutBytes(application.bytes, 16);
    w.PutU32(token);
    return w.Data();
}

bool ParseDiscoveryRequest(const uint8_t* data, size_t size, const Guid& expected, uint32_t* token) {
    BinaryReader r(data, size);
    Guid g;
    uint32_t t = 0;
    if (!TakeMagic(r, kRequestMagic) || !TakeGuid(r, &g) || !r.ReadU32(t) || r.Remaining() != 0) return false;
    if (!(g == expected)) return false;
    *token = t;
    return true;
}

std::vector<uint8_t> EncodeDiscoveryAnswer(const DiscoveryAnswer& a) {
    BinaryWriter w;
    w.PutBytes(kAnswerMagic, 4);
    w.PutBytes(a.application.bytes, 16);
    w.PutBytes(a.instance.bytes, 16);
    w.PutU32(a.token);
    w.PutU8(a.players);
    w.PutU8(a.maxPlayers);
    const uint8_t n = std::min<uint8_t>(a.appDataSize, kMaxAppData);
    w.PutU8(n);
    w.PutBytes(a.appData, n);
    PutName(w, a.name, kMaxSessionNameChars);
    return w.Data();
}

bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, const Guid& expected, DiscoveryAnswer* out) {
    BinaryReader r(data, size);
    DiscoveryAnswer a;
    if (!TakeMagic(r, kAnswerMagic) || !TakeGuid(r, &a.application) || !TakeGuid(r, &a.instance) ||
        !r.ReadU32(a.token) || !r.ReadU8(a.players) || !r.ReadU8(a.maxPlayers) || !r.ReadU8(a.appDataSize))
        return false;
    if (a.appDataSize > kMaxAppData || !r.ReadBytes(a.appData, a.appDataSize)) return false;
    if (!TakeName(r, kMaxSessionNameChars, &a.name) || r.Remaining() != 0) return false;
    if (!(a.application == expected)) return false;
    *out = a;
    return true;
}

bool IsSearchDatagram(const uint8_t* data, size_t size) {
    if (!data || size < 4) return false;
    for (const auto* magic : {&kHelloMagic, &kAcceptMagic, &kRequestMagic, &kAnswerMagic})
        if (std::memcmp(data, *magic, 4) == 0) return true;
    return false;
}

bool ParseHostText(const std::string& text, uint16_t port, std::string* host, uint16_t* outPort) {
    const size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    uint32_t p = port ? port : kDefaultPort;
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) return false;
        p = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            p = p * 10 + uint32_t(c - '0');
        }
        if (p == 0 || p > 65535) return false;
    }
    if (name.empty()) return false;
    *host = name;
    *outPort = uint16_t(p);
    return true;
}

}  // namespace netio
