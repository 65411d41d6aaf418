// A headless player for the multi-process session test: the session layer, the roles and the
// dispatcher over a recording stand-in for the game. As "host <port file>" it hosts on loopback,
// writes its port and waits for three clients, their sounds and one leave, then ends the session
// once the clients told it they saw all that. As "client <port> <n>" it finds the host, joins,
// plays sound 100 + n, checks the others' sounds and, as client 1, leaves; the others see the
// leave and the host's end. As "offender <port>" it joins first and sends what only the host may
// say until it is sent away; nobody believes it.
// Against a host that plays a real match: as "forger <port>" it asks in one packet for a fighter
// under the host's id and a hundred made-up ids, and must be given one fighter, its own, and no
// fighter under an id it made up; as "newcomer <port>", joining after the forger left, it asks
// for its fighter as a player does and must get it, with no fighter of the forger's left. As
// "asker <port> <n>" it joins n times in turn, each time sends its fighter request and leaves at
// once, as a program that dies right after asking would. As "caster <port>" it asks for a fighter
// at level 70 and casts power 9 once in each of three forms a modified client could send: told
// twenty times in its one packet and left to run, wound back, or told again every half second;
// each must fire once on the host. Then it floods the host with endless hit flashes, none of which may come back, until it is
// sent away.
// Exit code 0 on success.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "frontend/player_record.h"

#include "net/net_client.h"
#include "net/net_server.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "support/recording_game_ops.h"

namespace {

constexpr int kClients = 3;
constexpr int kStepMs = 10000;
// A wait for other programs to come takes in their start, which a loaded machine stretches far
// past a step's time.
constexpr int kArrivalMs = 30000;
// Sounds a client plays past its hello (100 + n) to tell the host what it has seen: it heard the
// others' hellos, and it saw client 1's fighters removed. A client reads nothing more once it sees
// the session's end, so the host ends it only after those.
constexpr uint32_t kHeard = 200, kSawRemoval = 210;
testsupport::RecordingGameOps g_Fake;
std::string g_Who = "bot";
// Joins and leaves the host was told of, counted as they come: a player's stay can be shorter
// than a frame, and a count of players now misses it.
int g_Joins = 0, g_Leaves = 0;

bool Seen(const std::string& call) {
    for (const std::string& c : g_Fake.calls)
        if (c == call) return true;
    return false;
}

// One frame: window messages as the window procedure handles them, the drain and the flush.
void Frame() {
    os::Message m;
    while (os::PeekMessage(&m, os::PM_REMOVE)) {
        if (m.id != os::WM_APP) continue;
        ++(m.lParam != 0 ? g_Leaves : g_Joins);
        g_NetSession.RefreshPlayerList();
        if (g_NetSession.hosting && m.lParam != 0) {
            RemovePlayerCharacters(uint32_t(m.wParam));
            g_GamePacket.WriteRemovePlayer(uint32_t(m.wParam));
        }
    }
    if (g_NetSession.active) {
        g_NetSession.ProcessIncoming();
        g_GamePacket.Flush();
    }
    RefreshSessionList();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Runs frames until the condition holds; a step that takes longer than `ms` fails the bot.
void Until(const char* what, const std::function<bool()>& done, int ms = kStepMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            std::fprintf(stderr, "%s: timed out waiting for %s\n", g_Who.c_str(), what);
            std::exit(2);
        }
        Frame();
    }
}

// Whether anything of what only the host may say was applied here.
bool Believed() {
    for (const std::string& c : g_Fake.calls)
        if (c.rfind("ChangeHealth", 0) == 0 || c.rfind("SetMatchResults", 0) == 0 || c == "RemovePlayer0")
            return true;
    return false;
}

// Joins the host of that port; false when it cannot be found or joined.
bool JoinHost(const char* port, const std::string& name) {
    const std::string where = std::string("127.0.0.1:") + port;
    if (!g_NetSession.Start(false, name.c_str(), 0, where.c_str())) return false;
    Until("the host in the list", [] { return GetSessionCount() == 1; });
    return g_NetSession.JoinSession(0);
}

int Offender(const char* port) {
    if (!JoinHost(port, "Mallory")) return 3;
    Until("its welcome", [] { return g_NetClient.localPlayerId != 0; });
    const uint32_t results[264] = {};
    Until("being sent away", [&results] {
        for (int i = 0; i < 30; ++i) g_GamePacket.WriteChangeHealth(1, -1, -1000.0f);
        g_GamePacket.WriteRemovePlayer(0);   // the host's own fighters
        g_GamePacket.WriteMatchResults(results, 264);
        return !g_NetSession.active;
    });
    return 0;
}

// Fighters announced to this client and whose ids they carry: one local fighter, and the others
// the host's own (id 0) or this client's.
int LocalFighters() {
    int local = 0;
    for (const std::string& c : g_Fake.calls) local += c.rfind("SpawnLocal:", 0) == 0 ? 1 : 0;
    return local;
}

bool OnlyTheHostsAndOneOfOurOwn() {
    const int local = LocalFighters();
    if (local != 1) {
        std::fprintf(stderr, "%s: %d fighters of its own\n", g_Who.c_str(), local);
        return false;
    }
    for (int s = 0; s < 16; ++s) {
        const uint32_t id = g_Fake.playerIds[s];
        if (g_Fake.active[s] && id != 0 && id != g_NetClient.localPlayerId) {
            std::fprintf(stderr, "%s: a fighter in slot %d under id %u\n", g_Who.c_str(), s, unsigned(id));
            return false;
        }
    }
    return true;
}

// Asks for a fighter under each id, all in the next packet; waits for the answer naming ours.
bool AskForFighters(const std::vector<uint32_t>& ids) {
    for (uint32_t id : ids) g_GamePacket.WriteSpawnCharacter(-1, id, 0, 1, Vec3{}, PlayerRecord{});
    Until("a fighter of its own", [] { return LocalFighters() > 0; });
    // Whatever else the host would answer comes within these frames.
    for (int i = 0; i < 100; ++i) Frame();
    return OnlyTheHostsAndOneOfOurOwn();
}

int Forger(const char* port) {
    if (!JoinHost(port, "Forger")) return 3;
    Until("its welcome", [] { return g_NetClient.localPlayerId != 0; });
    std::vector<uint32_t> ids = {0};
    for (uint32_t id = 5000; id < 5099; ++id) ids.push_back(id);
    if (!AskForFighters(ids)) return 8;
    g_NetSession.Stop();
    return 0;
}

int Newcomer(const char* port) {
    if (!JoinHost(port, "Newcomer")) return 3;
    Until("its welcome", [] { return g_NetClient.localPlayerId != 0; });
    // Alone among the clients: the host has seen the forger leave before it hears from us.
    Until("the forger gone", [] { return g_ClientPlayerCount.load() == 1; });
    if (!AskForFighters({g_NetClient.localPlayerId.load()})) return 8;
    g_NetSession.Stop();
    return 0;
}

int Asker(const char* port, int times) {
    for (int i = 0; i < times; ++i) {
        if (!JoinHost(port, "Asker" + std::to_string(i))) return 3;
        Until("its welcome", [] { return g_NetClient.localPlayerId != 0; });
        g_GamePacket.WriteSpawnCharacter(-1, g_NetClient.localPlayerId, i % 2, 1, Vec3{}, PlayerRecord{});
        g_GamePacket.Flush();
        g_NetSession.Stop();
    }
    return 0;
}

int Count(const std::string& call) {
    int n = 0;
    for (const std::string& c : g_Fake.calls) n += c == call ? 1 : 0;
    return n;
}

// Frames for that long, `each` run every half second.
void For(int ms, const std::function<void()>& each) {
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(ms)) {
        if (std::chrono::steady_clock::now() >= next) {
            each();
            next += std::chrono::milliseconds(500);
        }
        Frame();
    }
}

int Caster(const char* port) {
    if (!JoinHost(port, "Caster")) return 3;
    Until("its welcome", [] { return g_NetClient.localPlayerId != 0; });
    g_GamePacket.WriteSpawnCharacter(-1, g_NetClient.localPlayerId, 0, 70, Vec3{}, PlayerRecord{});
    Until("a fighter of its own", [] { return LocalFighters() > 0; });
    const int slot = g_Fake.local;
    constexpr uint32_t kChainCast = 175;
    // The fighter's energy lasts three casts: the first is told twenty times in its packet.
    const struct {
        const char* name;
        int copies;   // of the cast, in its one packet
        std::function<void()> each;
    } forms[] = {
        {"told twenty times in one packet and left to run", 20, [] {}},
        {"wound back", 1, [slot] { g_GamePacket.WriteSetAnimationTime(slot, 0, 0.0f); }},
        {"told again", 1, [slot] { g_GamePacket.WriteSetAnimation(slot, kChainCast, 0, 0); }},
    };
    bool fair = true;
    for (const auto& form : forms) {
        const int before = Count("CreateEffect43");
        for (int i = 0; i < form.copies; ++i) {
            g_GamePacket.WriteSetAnimation(slot, 0, 0, 0);
            g_GamePacket.WriteSetAnimation(slot, kChainCast, 0, 0);
            g_GamePacket.WriteStartPower(slot, 9);
        }
        For(3000, form.each);
        // A slow host may fire late: the release is waited for, and then as long again.
        Until("the cast's release", [before] { return Count("CreateEffect43") > before; });
        For(3000, form.each);
        const int released = Count("CreateEffect43") - before;
        std::printf("%s: power 9 %s released %d times\n", g_Who.c_str(), form.name, released);
        fair = fair && released == 1;
    }
    // Endless flashes of absurd size at its own fighter, 200 to a packet.
    const Vec3 at{0.0f, 1.0f, 0.0f};
    int sent = 0;
    Until("being sent away", [&] {
        if (!g_NetSession.active) return true;
        for (int i = 0; i < 200; ++i) g_GamePacket.WriteCreateEffect(-1, 41, at, at, at, at, at, -1, 60.0f, 0, -1);
        sent += 200;
        return false;
    });
    const int flashes = Count("CreateEffect41");
    std::printf("%s: %d flashes sent, %d came back\n", g_Who.c_str(), sent, flashes);
    return fair && flashes == 0 ? 0 : 9;
}

int Host(const char* portFile) {
    g_SessionSettingsSource = [](int32_t* s, int32_t* k) {
        *s = 2;
        *k = 5;
        return true;
    };
    g_NetServer.bindAddress = "127.0.0.1";
    g_Fake.local = 0;
    for (int s = 0; s <= kClients; ++s) g_Fake.active[s] = true;
    if (!g_NetSession.Start(true, "Host", 0, "")) return 3;
    FILE* f = std::fopen(portFile, "w");
    if (!f) return 4;
    std::fprintf(f, "%u\n", unsigned(g_NetServer.BoundPort()));
    std::fclose(f);
    Until("the offender", [] { return g_Joins >= 1; }, kArrivalMs);
    Until("the offender sent away", [] { return g_Leaves >= 1 && g_ServerPlayerCount.load() == 0; });
    Until("three clients", [] { return g_Joins >= 1 + kClients; }, kArrivalMs);
    Until("the clients' sounds", [] { return Seen("PlaySound101") && Seen("PlaySound102") && Seen("PlaySound103"); });
    Until("each client heard the others", [] {
        for (int n = 1; n <= kClients; ++n)
            if (!Seen("PlaySound" + std::to_string(kHeard + n))) return false;
        return true;
    });
    Until("a leave", [] { return g_Leaves >= 2; });
    Until("the others saw the removal", [] {
        for (int n = 2; n <= kClients; ++n)
            if (!Seen("PlaySound" + std::to_string(kSawRemoval + n))) return false;
        return true;
    });
    g_NetSession.Stop();
    return Believed() ? 7 : 0;
}

int Client(const char* port, int n) {
    g_Fake.local = n;
    for (int s = 0; s <= kClients; ++s) g_Fake.active[s] = true;
    if (!JoinHost(port, "Bot" + std::to_string(n))) return 4;
    Until("every client listed", [] { return g_ClientPlayerCount.load() == kClients && g_NetClient.localPlayerId; },
          kArrivalMs);
    if (!IsNetworkActive()) return 5;
    g_GamePacket.WritePlaySound(100 + n, Vec3{1, 2, 3}, 0);
    Until("the others' sounds", [n] {
        for (int m = 1; m <= kClients; ++m)
            if (m != n && !Seen("PlaySound" + std::to_string(100 + m))) return false;
        return true;
    });
    g_GamePacket.WritePlaySound(kHeard + n, Vec3{1, 2, 3}, 0);
    if (n == 1) {
        // Its word that it heard the others goes out before it leaves.
        for (int i = 0; i < 40; ++i) Frame();
        g_NetSession.Stop();
        return 0;
    }
    Until("client 1's leave", [] { return g_ClientPlayerCount.load() == kClients - 1; });
    Until("client 1's fighters removed", [] {
        for (const std::string& c : g_Fake.calls)
            if (c.rfind("RemovePlayer", 0) == 0) return true;
        return false;
    });
    g_GamePacket.WritePlaySound(kSawRemoval + n, Vec3{1, 2, 3}, 0);
    Until("the host's end", [] { return !g_NetSession.active; });
    if (Believed()) return 7;
    return g_Fake.invalid == 0 ? 0 : 6;
}

}  // namespace

int main(int argc, char** argv) {
    g_GameOps = &g_Fake;
    const std::string role = argc > 1 ? argv[1] : "";
    int result = 1;
    if (role == "host" && argc == 3) {
        g_Who = "host";
        result = Host(argv[2]);
    } else if (role == "offender" && argc == 3) {
        g_Who = "offender";
        result = Offender(argv[2]);
    } else if (role == "forger" && argc == 3) {
        g_Who = "forger";
        result = Forger(argv[2]);
    } else if (role == "newcomer" && argc == 3) {
        g_Who = "newcomer";
        result = Newcomer(argv[2]);
    } else if (role == "asker" && argc == 4) {
        g_Who = "asker";
        result = Asker(argv[2], std::atoi(argv[3]));
    } else if (role == "caster" && argc == 3) {
        g_Who = "caster";
        result = Caster(argv[2]);
    } else if (role == "client" && argc == 4) {
        g_Who = std::string("client ") + argv[3];
        result = Client(argv[2], std::atoi(argv[3]));
    }
    if (result != 0) std::fprintf(stderr, "%s: failed (%d)\n", g_Who.c_str(), result);
    g_NetSession.Stop();
    ResetGameOps();
    return result;
}
