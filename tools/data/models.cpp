// The movable models: the 58 item types, the physics props, the match's mode objects, the look
// pieces, the menu's 3D cursor and the lava bubble.
#include <cstdio>
#include <string>

#include "data_set.h"
#include "geometry.h"

namespace demodata {

namespace {

constexpr uint32_t MESH = 0x100, MOVABLE = 0x101, SOLID = 0x102;

std::string Format(const char* format, int a) {
    char s[128];
    std::snprintf(s, sizeof s, format, a);
    return s;
}

std::string Format(const char* format, int a, int b) {
    char s[128];
    std::snprintf(s, sizeof s, format, a, b);
    return s;
}

void Model(DataSet* set, const std::string& file, const std::string& node, uint32_t type, const Geometry& g) {
    set->Pack(MODEL_PACK, file, MeshModelFile(node, type, g));
}

// A colour from a hue step, full brightness.
uint32_t Hue(int step) {
    static const uint32_t kHues[] = {0xFFE04040, 0xFFE0A030, 0xFFE0E040, 0xFF50D050, 0xFF40C0C0,
                                     0xFF4070E0, 0xFF9050E0, 0xFFE050B0, 0xFFB0B0B0, 0xFF806040};
    return kHues[step % 10];
}

// The segments of a seven-segment digit, as boxes in a 0.6 x 1.0 cell standing on the ground.
void Digit(Geometry* g, int d, uint32_t colour) {
    static const uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    const float t = 0.1f, w = 0.6f, h = 1.0f, z0 = -0.05f, z1 = 0.05f;
    const float x0 = -w / 2, x1 = w / 2, ym = h / 2;
    const struct { float ax, ay, bx, by; } seg[7] = {
        {x0, h - t, x1, h},           // top
        {x1 - t, ym, x1, h},          // upper right
        {x1 - t, 0, x1, ym},          // lower right
        {x0, 0, x1, t},               // bottom
        {x0, 0, x0 + t, ym},          // lower left
        {x0, ym, x0 + t, h},          // upper left
        {x0, ym - t / 2, x1, ym + t / 2},   // middle
    };
    for (int s = 0; s < 7; ++s)
        if (kSegments[d % 10] & (1 << s)) g->Box({seg[s].ax, seg[s].ay, z0}, {seg[s].bx, seg[s].by, z1}, colour);
}

Geometry ItemShape(int type) {
    Geometry g;
    if (type <= 2) {   // ammunition: a crate
        g.Box({-0.2f, 0, -0.2f}, {0.2f, 0.3f, 0.2f}, 0xFF8A6A3A);
        g.Box({-0.21f, 0.12f, -0.21f}, {0.21f, 0.18f, 0.21f}, Hue(type));
    } else if (type <= 14) {   // potions: a bottle
        g.Box({-0.12f, 0, -0.12f}, {0.12f, 0.3f, 0.12f}, Hue(type));
        g.Box({-0.05f, 0.3f, -0.05f}, {0.05f, 0.42f, 0.05f}, 0xFFD0D0D0);
    } else if (type <= 19) {   // harmful and punishing items: a dark spiked block
        g.Box({-0.18f, 0.05f, -0.18f}, {0.18f, 0.41f, 0.18f}, type <= 17 ? 0xFF402040 : 0xFF203020);
        g.Box({-0.3f, 0.2f, -0.04f}, {0.3f, 0.26f, 0.04f}, 0xFFC02020);
        g.Box({-0.04f, 0.2f, -0.3f}, {0.04f, 0.26f, 0.3f}, 0xFFC02020);
    } else if (type <= 23) {   // credits: coins, bigger for more
        const float r = 0.12f + 0.04f * float(type - 20);
        g.Box({-r, 0.0f, -0.03f}, {r, 2 * r, 0.03f}, 0xFFE8C040);
    } else if (type <= 49) {   // letters: a plate with the letter's place in the alphabet as bars
        const int letter = type - 24;
        g.Box({-0.25f, 0, -0.04f}, {0.25f, 0.5f, 0.04f}, Hue(letter));
        for (int b = 0; b <= letter % 5; ++b)
            g.Box({-0.2f + 0.08f * float(b), 0.1f, 0.04f}, {-0.15f + 0.08f * float(b), 0.1f + 0.06f * float(1 + letter / 5), 0.06f},
                  0xFFFFFFFF);
    } else if (type <= 51) {   // specials: a star of two crossed blocks
        g.Box({-0.3f, 0.1f, -0.08f}, {0.3f, 0.3f, 0.08f}, 0xFFFFFFA0);
        g.Box({-0.08f, 0.1f, -0.3f}, {0.08f, 0.3f, 0.3f}, 0xFFFFFFA0);
    } else {   // multiplayer items: a pillar
        g.Box({-0.1f, 0, -0.1f}, {0.1f, 0.6f, 0.1f}, Hue(type));
        g.Sphere({0, 0.7f, 0}, 0.15f, 4, 6, Hue(type + 3));
    }
    return g;
}

void AddItems(DataSet* set) {
    for (int i = 0; i < 58; ++i)
        Model(set, Format("Modelos\\Items\\item%02d.y3d", i), Format("item%02d (DIN)", i), MOVABLE, ItemShape(i));
}

void AddProps(DataSet* set) {
    const struct { const char* name; float size; bool ball; uint32_t colour; } props[] = {
        {"Bola de 2m", 1.0f, true, 0xFFB04030},
        {"Bola de 20cm", 0.1f, true, 0xFF30A0B0},
        {"Caja de 2m", 1.0f, false, 0xFF9A7A4A},
        {"Caja de 1m", 0.375f, false, 0xFF7A8A4A},
    };
    for (const auto& p : props) {
        Geometry g;
        if (p.ball)
            g.Sphere({0, 0, 0}, p.size, 6, 8, p.colour);
        else
            g.Box({-p.size, -p.size, -p.size}, {p.size, p.size, p.size}, p.colour);
        Model(set, std::string("Modelos\\Objetos Dinamicos\\") + p.name + ".y3d", std::string(p.name) + " (DIN)", MOVABLE, g);
    }
}

void AddModeObjects(DataSet* set) {
    const std::string folder = "Modelos\\Objetos Dinamicos\\";
    for (int team = 0; team < 3; ++team) {
        Geometry g;
        const uint32_t colour = team == 0 ? 0xFF4080FF : team == 1 ? 0xFFFF5030 : 0xFFE0E0E0;
        g.Box({-0.25f, 0, -0.25f}, {0.25f, 0.5f, 0.25f}, colour);
        g.Box({-0.1f, 0.5f, -0.1f}, {0.1f, 0.9f, 0.1f}, Shade(colour, 0.7f));
        Model(set, folder + Format("symbol%d", team) + ".y3d", Format("symbol%d(DIN)", team), MOVABLE, g);
    }
    for (int d = 0; d < 10; ++d) {
        Geometry g;
        Digit(&g, d, 0xFFFFE060);
        Model(set, folder + Format("NUM%d", d) + ".y3d", Format("NUM%d(DIN)", d), MOVABLE, g);
    }
    {
        Geometry clock;
        clock.Sphere({0, 0.3f, 0}, 0.3f, 5, 10, 0xFFF0F0F0);
        clock.Box({-0.02f, 0.3f, -0.32f}, {0.02f, 0.55f, -0.28f}, 0xFF202020);
        Model(set, folder + "reloj.y3d", "reloj(DIN)", MOVABLE, clock);
        Geometry compass;
        compass.Box({-0.05f, 0, -0.4f}, {0.05f, 0.08f, 0.4f}, 0xFFE03030);
        compass.Box({-0.15f, 0, 0.2f}, {0.15f, 0.08f, 0.4f}, 0xFFE03030);
        Model(set, folder + "brujula.y3d", "brujula(DIN)", MOVABLE, compass);
    }
    for (const char* sign : {"cartel_start", "cartel_meta"}) {
        Geometry g;
        g.Box({-1.5f, 0, -0.1f}, {-1.3f, 3, 0.1f}, 0xFF606060);
        g.Box({1.3f, 0, -0.1f}, {1.5f, 3, 0.1f}, 0xFF606060);
        g.Box({-1.5f, 2.4f, -0.05f}, {1.5f, 3, 0.05f}, sign[7] == 's' ? 0xFF40C040 : 0xFFE0E0E0);
        Model(set, folder + sign + ".y3d", std::string(sign) + "(DIN)", MOVABLE, g);
    }
    for (int team = 0; team < 2; ++team) {
        Geometry g;
        g.Box({-0.6f, 0, -0.6f}, {0.6f, 0.4f, 0.6f}, team == 0 ? 0xFF3050A0 : 0xFFA04030);
        Model(set, folder + Format("pedestal%d", team) + ".y3d", Format("pedestal%d(DINCOL)", team), SOLID, g);
    }
    Geometry post;
    post.Box({-0.15f, 0, -0.15f}, {0.15f, 2.5f, 0.15f}, 0xFFE0E0E0);
    post.Box({-0.2f, 2.5f, -0.2f}, {0.2f, 2.9f, 0.2f}, 0xFFE04040);
    Model(set, folder + "poste_carrera.y3d", "poste_carrera(DINCOL)", SOLID, post);
}

// Hair, glasses and the five kinds of equipment, sized to sit on the bone they hang from.
void AddLookPieces(DataSet* set) {
    const std::string folder = "Modelos\\Objetos Dinamicos\\";
    for (int side = 0; side < 2; ++side) {
        for (int m = 0; m < 6; ++m) {
            Geometry hair;
            hair.Box({-0.17f, 0.2f, -0.17f}, {0.17f, 0.3f + 0.03f * float(m), 0.17f}, Hue(m + 5 * side));
            Model(set, folder + Format("Pelo%d%d", side, m) + ".y3d", Format("Pelo%d%d(DIN)", side, m), MOVABLE, hair);
            Geometry glasses;
            glasses.Box({-0.16f, 0.12f, -0.18f}, {0.16f, 0.17f, -0.15f}, 0xFF202020);
            Model(set, folder + Format("Gafas%d%d", side, m) + ".y3d", Format("Gafas%d%d(DIN)", side, m), MOVABLE,
                  glasses);
        }
    }
    for (int id = 0; id < 54; ++id) {
        const uint32_t colour = Hue(id / 6);
        for (int side = 0; side < 2; ++side) {
            Geometry helmet;
            helmet.Box({-0.18f, 0.15f, -0.18f}, {0.18f, 0.36f, 0.18f}, colour);
            Model(set, folder + Format("Casco%d%02d", side, id) + ".y3d", Format("Casco%d%02d(DIN)", side, id),
                  MOVABLE, helmet);
            for (const char* hand : {"L", "R"}) {
                Geometry boot;
                boot.Box({-0.1f, 0, -0.15f}, {0.1f, 0.25f, 0.12f}, colour);
                const std::string name = Format("bota%d%02d", side, id) + hand;
                Model(set, folder + name + ".y3d", name + "(DIN)", MOVABLE, boot);
            }
        }
        for (const char* hand : {"L", "R"}) {
            Geometry glove, bracelet, pad;
            glove.Box({-0.07f, -0.1f, -0.07f}, {0.07f, 0.05f, 0.07f}, colour);
            bracelet.Box({-0.08f, -0.04f, -0.08f}, {0.08f, 0.04f, 0.08f}, colour);
            pad.Box({-0.12f, -0.02f, -0.12f}, {0.12f, 0.1f, 0.12f}, colour);
            Model(set, folder + Format("Guante%02d", id) + hand + ".y3d", Format("Guante%02d", id) + hand + "(DIN)",
                  MOVABLE, glove);
            Model(set, folder + Format("Bracelet%02d", id) + hand + ".y3d",
                  Format("Bracelet%02d", id) + hand + "(DIN)", MOVABLE, bracelet);
            Model(set, folder + Format("Hombrera%02d", id) + hand + ".y3d",
                  Format("Hombrera%02d", id) + hand + "(DIN)", MOVABLE, pad);
        }
    }
}

void AddCursorAndBubble(DataSet* set) {
    Geometry cursor;
    // A small arrow: the menu places it on a plane just in front of its camera.
    cursor.Polygon({{0, 0, 0}, {0.05f, -0.035f, 0}, {0.02f, -0.04f, 0}}, 0xFFF0D060);
    cursor.Polygon({{0, 0, 0}, {0.02f, -0.04f, 0}, {0.005f, -0.06f, 0}}, 0xFFC0A040);
    cursor.Box({0.012f, -0.075f, -0.003f}, {0.02f, -0.035f, 0.003f}, 0xFFC0A040);
    // Movable, so the menu can place it under the pointer every frame.
    Model(set, "Modelos\\Interfaz\\cursor.y3d", "cursor(DIN)", MOVABLE, cursor);
    for (const char* file : {"HellBubble.Y3D", "HellBubble15.Y3D", "HellBubble18.Y3D"}) {
        Geometry bubble;
        bubble.Sphere({0, 0, 0}, 0.3f, 4, 8, 0xFFFF6010);
        Model(set, std::string("Modelos\\Objetos Dinamicos\\") + file, "HellBubble(DIN)", MOVABLE, bubble);
    }
}

}  // namespace

void AddModels(DataSet* set) {
    AddItems(set);
    AddProps(set);
    AddModeObjects(set);
    AddLookPieces(set);
    AddCursorAndBubble(set);
}

}  // namespace demodata
