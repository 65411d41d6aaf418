// The transport's own datagrams and handshake messages: what a peer must say before the game's
// messages pass, and the session search that shares the session's UDP port. Pure byte work, so
// the parsers can be fed anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace netio {

constexpr uint16_t kDefaultPort = 25857;
constexpr size_t kMaxNameChars = 16;     // a player's name as the host sees it
constexpr size_t kMaxSessionNameChars = 63;
constexpr size_t kMaxAppData = 8;

struct Guid {
    uint8_t bytes[16] = {};
    bool operator==(const Guid&) const = default;
};

// Fresh from the system's random source.
Guid RandomGuid();

// A client's first message: the application it belongs to and its player's name.
struct Hello {
    Guid application;
    std::string name;   // at most kMaxNameChars, no zero bytes
};
std::vector<uint8_t> EncodeHello(const Guid& application, const std::string& name);   // name cut to 16
enum class HelloResult { Ok, Malformed, WrongApplication };
HelloResult ParseHello(const uint8_t* data, size_t size, const Guid& expected, Hello* out);

// The host's answer that admits the client, with the player id it was given.
std::vector<uint8_t> EncodeAccept(uint32_t playerId);
bool ParseAccept(const uint8_t* data, size_t size, uint32_t* playerId);

// Why a host sent a peer away (the disconnect's data word).
enum RefuseReason : uint32_t {
    REFUSE_NONE = 0,
    REFUSE_MALFORMED = 1,
    REFUSE_WRONG_APPLICATION = 2,
    REFUSE_FULL = 3,
    REFUSE_NO_HELLO = 4,
    REFUSE_OVERSIZED = 5,
    REFUSE_FLOOD = 6,
    REFUSE_CLOSING = 7,
    REFUSE_BY_HOST = 8,
};

// Session search: a request carries the application and a token the answer echoes, so the
// searcher can time the round trip.
std::vector<uint8_t> EncodeDiscoveryRequest(const Guid& application, uint32_t token);
bool ParseDiscoveryRequest(const uint8_t* data, size_t size, const Guid& expected, uint32_t* token);

struct DiscoveryAnswer {
    Guid application;
    Guid instance;
    uint32_t token = 0;
    uint8_t players = 0;
    uint8_t maxPlayers = 0;
    uint8_t appData[kMaxAppData] = {};
    uint8_t appDataSize = 0;
    std::string name;
};
std::vector<uint8_t> EncodeDiscoveryAnswer(const DiscoveryAnswer& answer);
bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, const Guid& expected, DiscoveryAnswer* out);

// True when a datagram arriving on a session port is one of ours rather than the transport's.
bool IsSearchDatagram(const uint8_t* data, size_t size);

// "host[:port]": a colon cuts off a decimal port; without one the given port, 25857 for 0.
// False for an empty host, an empty or non-decimal port, or one outside 1..65535.
bool ParseHostText(const std::string& text, uint16_t port, std::string* host, uint16_t* outPort);

}  // namespace netio
