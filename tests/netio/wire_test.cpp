// The transport's own messages read from hand-written bytes.
#include <gtest/gtest.h>

#include "platform/netio/wire.h"

namespace {

using namespace netio;

const Guid kApp = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
#define APP 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16

TEST(WireTest, HellosAreReadOnlyWhenWholeAndOfThisApplication) {
    const std::vector<uint8_t> good = {'B', 'V', 'H', '1', APP, 3, 'A', 'n', 'a'};
    EXPECT_EQ(EncodeHello(kApp, "Ana"), good);
    Hello h;
    EXPECT_EQ(ParseHello(good.data(), good.size(), kApp, &h), HelloResult::Ok);
    EXPECT_EQ(h.name, "Ana");
    EXPECT_EQ(EncodeHello(kApp, std::string(20, 'x')).size(), 21u + 16u);

    struct Case {
        std::vector<uint8_t> bytes;
        HelloResult expected;
    } cases[] = {
        {{'B', 'V', 'H', '1', APP, 3, 'A', 'n'}, HelloResult::Malformed},           // cut short
        {{'B', 'V', 'H', '1', APP, 1, 'A', 'n'}, HelloResult::Malformed},           // trailing byte
        {{'B', 'V', 'H', '1', APP, 2, 'A', 0}, HelloResult::Malformed},             // zero in the name
        {{'B', 'V', 'H', '2', APP, 1, 'A'}, HelloResult::Malformed},                // magic
        {{'B', 'V', 'H', '1', APP, 17, 'A'}, HelloResult::Malformed},               // name too long
        {{'B', 'V', 'H', '1', 9, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 1, 'A'},
         HelloResult::WrongApplication},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseHello(c.bytes.data(), c.bytes.size(), kApp, &h), c.expected);
}

TEST(WireTest, DiscoveryDatagramsAreSizeCheckedAndFiltered) {
    const std::vector<uint8_t> request = {'B', 'V', 'Q', '1', APP, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(EncodeDiscoveryRequest(kApp, 0x12345678), request);
    uint32_t token = 0;
    EXPECT_TRUE(ParseDiscoveryRequest(request.data(), request.size(), kApp, &token));
    EXPECT_EQ(token, 0x12345678u);
    EXPECT_FALSE(ParseDiscoveryRequest(request.data(), request.size() - 1, kApp, &token));
    EXPECT_FALSE(ParseDiscoveryRequest(request.data(), request.size(), Guid{}, &token));

    std::vector<uint8_t> answer = {'B', 'V', 'R', '1', APP, APP, 5, 0, 0, 0, 3, 8, 2, 0xEE, 0xFF, 2, 'G', 'o'};
    DiscoveryAnswer a;
    ASSERT_TRUE(ParseDiscoveryAnswer(answer.data(), answer.size(), kApp, &a));
    EXPECT_EQ(a.token, 5u);
    EXPECT_EQ(a.players, 3);
    EXPECT_EQ(a.maxPlayers, 8);
    EXPECT_EQ(a.appDataSize, 2);
    EXPECT_EQ(a.appData[1], 0xFF);
    EXPECT_EQ(a.name, "Go");
    EXPECT_EQ(EncodeDiscoveryAnswer(a), answer);
    answer[42] = 9;  // more application data than may pass
    EXPECT_FALSE(ParseDiscoveryAnswer(answer.data(), answer.size(), kApp, &a));
    EXPECT_TRUE(IsSearchDatagram(answer.data(), answer.size()));
    const uint8_t enet[] = {0x80, 0x00, 0x12, 0x34};
    EXPECT_FALSE(IsSearchDatagram(enet, sizeof enet));
}

TEST(WireTest, AHostTextMayCarryADecimalPort) {
    struct Case {
        const char* text;
        uint16_t port;
        bool ok;
        const char* host;
        uint16_t expected;
    } cases[] = {
        {"10.0.0.2", 0, true, "10.0.0.2", 25857}, {"10.0.0.2", 4000, true, "10.0.0.2", 4000},
        {"box:1234", 4000, true, "box", 1234},    {"box:", 0, false, "", 0},
        {"box:12a", 0, false, "", 0},             {"box:70000", 0, false, "", 0},
        {":1234", 0, false, "", 0},               {"", 0, false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string host;
        uint16_t port = 0;
        ASSERT_EQ(ParseHostText(c.text, c.port, &host, &port), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(port, c.expected);
    }
}

// A datagram that states a longer name than may pass is refused even when every byte it states
// is there: a peer's name of 17 bytes must not reach the player list that holds 16.
TEST(WireTest, NamesLongerThanTheirLimitAreRefusedEvenWhenWhole) {
    auto hello = [](size_t n) {
        std::vector<uint8_t> b = {'B', 'V', 'H', '1', APP, uint8_t(n)};
        b.insert(b.end(), n, 'n');
        return b;
    };
    Hello h;
    for (size_t n : {size_t(1), kMaxNameChars}) {
        const std::vector<uint8_t> b = hello(n);
        ASSERT_EQ(ParseHello(b.data(), b.size(), kApp, &h), HelloResult::Ok) << n;
        EXPECT_EQ(h.name, std::string(n, 'n'));
    }
    h.name = "kept";
    for (size_t n : {kMaxNameChars + 1, size_t(255)}) {
        const std::vector<uint8_t> b = hello(n);
        EXPECT_EQ(ParseHello(b.data(), b.size(), kApp, &h), HelloResult::Malformed) << n;
    }
    EXPECT_EQ(h.name, "kept");
    // What this side sends is cut to the limit and reads back whole.
    const std::vector<uint8_t> sent = EncodeHello(kApp, std::string(kMaxNameChars + 5, 'x'));
    ASSERT_EQ(ParseHello(sent.data(), sent.size(), kApp, &h), HelloResult::Ok);
    EXPECT_EQ(h.name, std::string(kMaxNameChars, 'x'));

    // Session names and application data in a search answer, each at its limit and one past.
    auto answer = [](size_t appData, size_t nameChars) {
        std::vector<uint8_t> b = {'B', 'V', 'R', '1', APP, APP, 1, 0, 0, 0, 2, 8, uint8_t(appData)};
        b.insert(b.end(), appData, 0xAB);
        b.push_back(uint8_t(nameChars));
        b.insert(b.end(), nameChars, 's');
        return b;
    };
    struct Case {
        size_t appData, nameChars;
        bool ok;
    } cases[] = {
        {kMaxAppData, kMaxSessionNameChars, true},
        {kMaxAppData + 1, 2, false},
        {2, kMaxSessionNameChars + 1, false},
        {2, 255, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.appData << " bytes of data, a name of " << c.nameChars);
        const std::vector<uint8_t> b = answer(c.appData, c.nameChars);
        DiscoveryAnswer a;
        ASSERT_EQ(ParseDiscoveryAnswer(b.data(), b.size(), kApp, &a), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(a.appDataSize, c.appData);
        EXPECT_EQ(a.name, std::string(c.nameChars, 's'));
    }
    DiscoveryAnswer longName;
    longName.application = kApp;
    longName.name = std::string(kMaxSessionNameChars + 10, 'L');
    const std::vector<uint8_t> encoded = EncodeDiscoveryAnswer(longName);
    DiscoveryAnswer read;
    ASSERT_TRUE(ParseDiscoveryAnswer(encoded.data(), encoded.size(), kApp, &read));
    EXPECT_EQ(read.name, std::string(kMaxSessionNameChars, 'L'));
}

// Port 0 names no port to connect to: "host:0" is no address, however it is written.
TEST(WireTest, AHostTextWithPortZeroOrPastTheLastPortIsNoAddress) {
    struct Case {
        const char* text;
        bool ok;
        uint16_t expected;
    } cases[] = {
        {"box:0", false, 0},      {"box:00", false, 0},     {"box:00000", false, 0},
        {"box:1", true, 1},       {"box:65535", true, 65535}, {"box:65536", false, 0},
        {"box:99999", false, 0},  {"box:1:2", false, 0},    {"box: 80", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string host = "unchanged";
        uint16_t port = 7;
        ASSERT_EQ(ParseHostText(c.text, 4000, &host, &port), c.ok);
        if (!c.ok) {
            EXPECT_EQ(host, "unchanged");
            EXPECT_EQ(port, 7);
            continue;
        }
        EXPECT_EQ(host, "box");
        EXPECT_EQ(port, c.expected);
    }
}

// Player id 0 is the host's own; an admission that hands it out is no admission.
TEST(WireTest, AnAcceptIsReadOnlyWithAPlayerIdOtherThanTheHosts) {
    uint32_t id = 99;
    const std::vector<uint8_t> one = EncodeAccept(1);
    ASSERT_TRUE(ParseAccept(one.data(), one.size(), &id));
    EXPECT_EQ(id, 1u);
    const std::vector<uint8_t> zero = EncodeAccept(0);
    EXPECT_FALSE(ParseAccept(zero.data(), zero.size(), &id));
    EXPECT_FALSE(ParseAccept(one.data(), one.size() - 1, &id));
    std::vector<uint8_t> longer = one;
    longer.push_back(0);
    EXPECT_FALSE(ParseAccept(longer.data(), longer.size(), &id));
    EXPECT_EQ(id, 1u);
}

}  // namespace
