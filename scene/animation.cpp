#include "scene/animation.h"

#include <cstring>

#include "common/binary_reader.h"
#include "core/debug_log.h"

uint16_t g_Y3DVersion = 0;

namespace {

constexpr size_t kHeaderSize = 1024;
constexpr size_t kRecordSize = 276;
constexpr size_t kNodeHeaderSize = 573;
constexpr size_t kObjectSize = kRecordSize + kNodeHeaderSize;
constexpr size_t kMinKeySize = 3;
constexpr uint16_t kMaxVersion = 320;

uint32_t U32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float F32At(const uint8_t* p) {
    uint32_t bits = U32At(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Reads one object (record and node header) and its keys into track. The key count is checked
// against what is left before the keys are allocated.
bool ReadTrack(BinaryReader& in, AnimTrack* track, uint8_t* record, uint8_t* node) {
    if (!in.ReadBytes(record, kRecordSize) || !in.ReadBytes(node, kNodeHeaderSize)) return false;
    track->flags = node[504];
    track->keyCount = uint16_t(U32At(node + 505) & 0xFFFF);
    track->restPosition = {F32At(node + 376), F32At(node + 380), F32At(node + 384)};
    track->restRotation = {F32At(node + 388), F32At(node + 392), F32At(node + 396), F32At(node + 400)};
    if (uint64_t(track->keyCount) * kMinKeySize > in.Remaining()) return false;
    track->keys.resize(track->keyCount);
    for (AnimKey& key : track->keys) {
        key = AnimKey{};
        if (!in.ReadU16(key.frame) || !in.ReadU8(key.flags)) return false;
        if (key.flags & ANIM_HAS_ROTATION) {
            if (!in.ReadF32(key.rotation.x) || !in.ReadF32(key.rotation.y) || !in.ReadF32(key.rotation.z) ||
                !in.ReadF32(key.rotation.w))
                return false;
        }
        if (key.flags & ANIM_HAS_POSITION) {
            if (!in.ReadF32(key.position.x) || !in.ReadF32(key.position.y) || !in.ReadF32(key.position.z))
                return false;
        }
    }
    return true;
}

// Where p, n and the weight of n lie for one component; p < 0 when the track has no key of it.
struct KeyPair {
    int p;
    int n;        // -1: out = value of p alone
    float t;
};

// The whole frame of a time, truncated toward zero. A time past the int range (or not a number)
// has no int to become: it is held inside the range first, one below its top so that the frame
// after it can still be counted.
int WholeFrame(float time) {
    constexpr float kHighest = 2147483520.0f;   // the largest float below 2^31
    if (!(time > -kHighest)) return time < 0.0f ? -int(kHighest) : 0;
    return time < kHighest ? int(time) : int(kHighest);
}

KeyPair FindKeys(const AnimTrack& track, uint8_t bit, float time, bool interpolate, bool cyclic, int32_t length) {
    const int count = int(track.keys.size());
    const auto& keys = track.keys;
    const int f = WholeFrame(time);
    int k;
    if (keys[0].frame >= f) {
        k = 0;
    } else {
        k = count - 1;
        for (int i = 0; i < count; ++i) {
            if (keys[i].frame >= f) {
                k = i;
                break;
            }
        }
        if (keys[k].frame > f && k > 0) --k;
    }
    int p = k;
    while (p > 0 && !(keys[p].flags & bit)) --p;
    int n = p + 1;
    while (n < count && !(keys[n].flags & bit)) ++n;
    if (n < count) {
        if (keys[n].frame == f + 1 && (interpolate || cyclic))
            return {p, n, 1.0f - (float(keys[n].frame) - time)};
        return {p, -1, 0.0f};
    }
    if (cyclic && length == f + 1) {
        int first = 0;
        while (first < count && !(keys[first].flags & bit)) ++first;
        if (first < count) return {p, first, 1.0f - (float(length) - time)};
    }
    return {p, -1, 0.0f};
}

const AnimTrack* TrackAt(const std::vector<AnimTrack>& tracks, int32_t index) {
    if (index < 0 || size_t(index) >= tracks.size()) return nullptr;
    return &tracks[size_t(index)];
}

// The empty table until the scene's animation table (Scene::GetAnimation) installs itself.
Animation* NoAnimations(int32_t, int32_t) { return nullptr; }

AnimationLookup g_lookup = NoAnimations;

}  // namespace

Animation* GetAnimation(int32_t group, int32_t index) { return g_lookup(group, index); }

void SetAnimationLookup(AnimationLookup lookup) { g_lookup = lookup ? lookup : NoAnimations; }

bool Animation::Read(BinaryReader& in) {
    const size_t size = in.Remaining();
    return ReadBytes(in.Span(size), size);
}

bool Animation::ReadBytes(const uint8_t* data, size_t size) {
    Free();
    length = 0;
    flags = 0;
    auto fail = [this](const char* why) {
        WriteDebugLogF("Animation rejected: %s", why);
        Free();
        length = 0;
        return false;
    };
    if (!data || size < kHeaderSize) return fail("short header");
    if (std::memcmp(data, "QTXMAX", 7) != 0) return fail("bad signature");
    BinaryReader in(data, size);
    uint16_t version = 0;
    uint32_t objectCount = 0, first = 0;
    int32_t frames = 0;
    in.Seek(7);
    in.ReadU16(version);
    in.Seek(16);
    in.ReadU32(objectCount);
    in.ReadI32(frames);
    in.ReadU32(first);
    if (version > kMaxVersion) return fail("version above 320");
    g_Y3DVersion = version;
    if (!in.Seek(first)) return fail("first object outside the file");

    std::vector<uint8_t> record(kRecordSize), node(kNodeHeaderSize);
    if (!in.ReadBytes(record.data(), kRecordSize) || !in.ReadBytes(node.data(), kNodeHeaderSize))
        return fail("short first object");
    const uint64_t nodes = uint64_t(U32At(node.data() + 260)) + 1;
    const uint64_t room = (size - first) / kObjectSize;
    if (nodes > objectCount || objectCount > room) return fail("object count past the file");

    length = frames;
    nodeTrackCount = int32_t(nodes);
    nodeTracks.resize(size_t(nodes));
    in.Seek(first);
    for (AnimTrack& track : nodeTracks)
        if (!ReadTrack(in, &track, record.data(), node.data())) return fail("short node track");

    const uint32_t named = objectCount - uint32_t(nodes);
    if (named == 0) return true;
    trackNames.resize(named);
    trackExtras.resize(size_t(named) * 2);
    namedTracks.resize(named);
    namedTrackCount = int32_t(named);
    for (uint32_t i = 0; i < named; ++i) {
        if (!ReadTrack(in, &namedTracks[i], record.data(), node.data())) return fail("short named track");
        trackNames[i].assign(reinterpret_cast<const char*>(record.data()), strnlen(reinterpret_cast<const char*>(record.data()), 256));
        trackExtras[i * 2] = U32At(node.data() + 496);
        trackExtras[i * 2 + 1] = U32At(node.data() + 500);
    }
    return true;
}

void Animation::Free() {
    nodeTracks.clear();
    nodeTracks.shrink_to_fit();
    namedTracks.clear();
    namedTracks.shrink_to_fit();
    trackNames.clear();
    trackExtras.clear();
    nodeTrackCount = 0;
    namedTrackCount = 0;
}

int32_t Animation::FindNamedTrack(const char* name) const {
    if (!name) return -1;
    for (size_t i = 0; i < trackNames.size(); ++i)
        if (trackNames[i] == name) return int32_t(i);
    return -1;
}

bool Animation::SampleRotation(const AnimTrack& track, float time, Quat* out, bool interpolate) const {
    if (track.keys.empty() || !(track.flags & ANIM_HAS_ROTATION)) {
        *out = track.restRotation;
        return true;
    }
    KeyPair kp = FindKeys(track, ANIM_HAS_ROTATION, time, interpolate, flags & ANIM_CYCLIC, length);
    const Quat& a = track.keys[size_t(kp.p)].rotation;
    if (kp.n < 0) {
        *out = a;
        return true;
    }
    Quat b = track.keys[size_t(kp.n)].rotation;
    if (a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w < 0.0f) b = {-b.x, -b.y, -b.z, -b.w};
    const float t = kp.t, s = 1.0f - kp.t;
    *out = {s * a.x + t * b.x, s * a.y + t * b.y, s * a.z + t * b.z, s * a.w + t * b.w};
    return true;
}

bool Animation::SamplePosition(const AnimTrack& track, float time, Vec3* out, bool interpolate) const {
    if (track.keys.empty() || !(track.flags & ANIM_HAS_POSITION)) {
        *out = track.restPosition;
        return true;
    }
    KeyPair kp = FindKeys(track, ANIM_HAS_POSITION, time, interpolate, flags & ANIM_CYCLIC, length);
    const Vec3& a = track.keys[size_t(kp.p)].position;
    if (kp.n < 0) {
        *out = a;
        return true;
    }
    const Vec3& b = track.keys[size_t(kp.n)].position;
    const float t = kp.t, s = 1.0f - kp.t;
    *out = {s * a.x + t * b.x, s * a.y + t * b.y, s * a.z + t * b.z};
    return true;
}

bool Animation::SampleNodeRotation(int32_t track, float time, Quat* out, bool interpolate) const {
    if (!out) return false;
    const AnimTrack* t = TrackAt(nodeTracks, track);
    if (!t) {
        *out = QuatIdentity();
        return false;
    }
    return SampleRotation(*t, time, out, interpolate);
}

bool Animation::SampleNodePosition(int32_t track, float time, Vec3* out, bool interpolate) const {
    if (!out) return false;
    const AnimTrack* t = TrackAt(nodeTracks, track);
    if (!t) {
        *out = {0.0f, 0.0f, 0.0f};
        return false;
    }
    return SamplePosition(*t, time, out, interpolate);
}

bool Animation::SampleTrackRotation(int32_t track, float time, Quat* out, bool interpolate) const {
    if (!out) return false;
    const AnimTrack* t = TrackAt(namedTracks, track);
    if (!t) {
        *out = QuatIdentity();
        return false;
    }
    return SampleRotation(*t, time, out, interpolate);
}

bool Animation::SampleTrackPosition(int32_t track, float time, Vec3* out, bool interpolate) const {
    if (!out) return false;
    const AnimTrack* t = TrackAt(namedTracks, track);
    if (!t) {
        *out = {0.0f, 0.0f, 0.0f};
        return false;
    }
    return SamplePosition(*t, time, out, interpolate);
}
