#include "net/session.h"

NetSession g_NetSession;
GamePacket g_GamePacket;

bool IsNetworkActive() { return g_NetSession.active != 0; }

// The session layer fills these: player lists, despawning a leaving player, closing.
void NetSession::RefreshPlayerList() {}
void NetSession::Stop() {}
void RemovePlayerCharacters(uint32_t) {}
// The game packet's event writers fill this.
void GamePacket::WriteRemovePlayer(uint32_t) {}
// The session layer fills these: the receive queue's drain and the outgoing packet.
void NetSession::ProcessIncoming() {}
void GamePacket::Flush() {}

// The session layer fills these.
int NetSession::GetPlayerCount() const { return 0; }
void NetSession::UpdateTrafficRates() {}
void GamePacket::WriteAttachToScene(int) {}

// The game packet's event writers fill these.
void GamePacket::WriteSetCharge(Character*) {}
void GamePacket::WriteSetPosition(Character*) {}
void GamePacket::WriteSetYaw(Character*) {}
void GamePacket::WriteSetTarget(Character*) {}
void GamePacket::WriteSetAimPoint(Character*) {}
