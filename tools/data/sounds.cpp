// Sound effects and music synthesised as 16-bit WAV files: each effect a short tone, chirp or
// noise burst picked by its number; the music a looping tune per game kind and one for the menu.
// With them the two sound tables, and the settings file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/math.h"
#include "data_set.h"

namespace demodata {

namespace {

constexpr int RATE = 22050;

std::vector<uint8_t> Wav(const std::vector<int16_t>& samples, int channels) {
    std::vector<uint8_t> out;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto tag = [&](const char* s) { out.insert(out.end(), s, s + 4); };
    const uint32_t bytes = uint32_t(samples.size() * 2);
    tag("RIFF");
    u32(36 + bytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(uint16_t(channels));
    u32(RATE);
    u32(uint32_t(RATE * channels * 2));
    u16(uint16_t(channels * 2));
    u16(16);
    tag("data");
    u32(bytes);
    for (int16_t s : samples) u16(uint16_t(s));
    return out;
}

// A fixed noise source: the same sounds every run.
struct Noise {
    uint32_t state;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return float(int32_t(state >> 8) - (1 << 23)) / float(1 << 23);
    }
};

int16_t Sample(float v) { return int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32000.0f)); }

std::vector<int16_t> Effect(int id) {
    // Ids fall into families by their remainder, so neighbouring sounds differ.
    const int family = id % 4;
    const float length = 0.12f + 0.04f * float(id % 7);
    const int n = int(length * RATE);
    const float base = 180.0f + 37.0f * float(id % 23);
    Noise noise{uint32_t(id) * 2654435761u + 1};
    std::vector<int16_t> out(static_cast<size_t>(n));
    float phase = 0;
    for (int i = 0; i < n; ++i) {
        const float t = float(i) / RATE;
        const float envelope = std::min(1.0f, t * 200.0f) * std::exp(-t * (6.0f + float(id % 5)));
        float v = 0;
        switch (family) {
        case 0: v = std::sin(phase); phase += kTwoPi * base / RATE; break;                                      // tone
        case 1: v = std::sin(phase); phase += kTwoPi * (base + 900.0f * t / length) / RATE; break;             // rising chirp
        case 2: v = noise.Next(); break;                                                                       // burst
        default: v = 0.6f * noise.Next() + 0.4f * std::sin(phase); phase += kTwoPi * base * 0.5f / RATE; break;   // thud
        }
        out[size_t(i)] = Sample(0.6f * envelope * v);
    }
    return out;
}

// A tune of eight bars over a bass line, looping cleanly (every note ends at zero).
std::vector<int16_t> Tune(int seed) {
    static const int kScale[] = {0, 2, 4, 7, 9, 12, 14, 16};
    const float beat = 0.25f;
    const int notes = 32;
    const float root = 196.0f * std::pow(2.0f, float(seed % 5) / 12.0f);
    std::vector<int16_t> out;
    for (int k = 0; k < notes; ++k) {
        const int step = kScale[(k * (3 + seed) + k / 4) % 8];
        const float f = root * std::pow(2.0f, float(step) / 12.0f);
        const float bass = root / 2 * std::pow(2.0f, float(kScale[(k / 8) % 4]) / 12.0f);
        const int n = int(beat * RATE);
        for (int i = 0; i < n; ++i) {
            const float t = float(i) / RATE;
            const float env = std::sin(kPi * float(i) / float(n));
            const float v = 0.3f * env * std::sin(kTwoPi * f * t) + 0.2f * std::sin(kTwoPi * bass * t) * env;
            out.push_back(Sample(v));
            out.push_back(Sample(v * 0.9f));
        }
    }
    return out;
}

const char* kIni =
    "; Brimvale settings for the demo data: a desktop window, the menu, the log and sound on.\r\n"
    "MODO = 0\r\n"
    "DEBUG = 1\r\n"
    "PRUEBAS = 0\r\n"
    "MENU = 1\r\n"
    "SOFTWARE = 0\r\n"
    "TIPO_PERSONAJE = 0\r\n"
    "NUM_PER = 4\r\n"
    "NUM_PER_ENE = 4\r\n"
    "NIVEL = 1\r\n"
    "NIVEL_ENE = 1\r\n"
    "ALE_NIVEL = 0\r\n"
    "ALE_NIVEL_ENE = 0\r\n"
    "ACTIVAR_IA = 1\r\n"
    "ID_ESCENARIO = 13\r\n"
    "K_GAME = 5\r\n"
    "MAX_DEATHS_ORLINS = 10\r\n"
    "MAX_DEATHS_VORAKS = 10\r\n"
    "STEALS_NUMBER_ORLINS = 3\r\n"
    "STEALS_NUMBER_VORAKS = 3\r\n"
    "CREDITS_NUMBER_ORLINS = 200\r\n"
    "CREDITS_NUMBER_VORAKS = 200\r\n"
    "CAPTURES_NUMBER_ORLINS = 4\r\n"
    "CAPTURES_NUMBER_VORAKS = 4\r\n"
    "MAX_TIME_MALDICION_ORLINS = 2\r\n"
    "MAX_TIME_MALDICION_VORAKS = 2\r\n"
    "FREEZE_TIME = 3\r\n"
    "MAX_TIME_GLOBAL = 5\r\n"
    "FULL_SCREEN = 0\r\n"
    "RESX = 1024\r\n"
    "RESY = 768\r\n"
    "BPP = 32\r\n"
    "DOBLE_BACKBUFFER = 0\r\n"
    "CALIDAD_TEXTURAS_BPP = 32\r\n"
    "CALIDAD_TEXTURAS_DIM = 0\r\n"
    "MULTISAMPLE = 0\r\n"
    "ANISOTROPICO = 0\r\n"
    "WAIT_RETRACE = 1\r\n"
    "ESPECULAR = 0\r\n"
    "CALIDAD_MODELOS = 0\r\n"
    "SOMBRA_PERSONAJE = 1\r\n"
    "CALIDAD_AGUA = 1\r\n"
    "ESPEJOS = 0\r\n"
    "CARAS_INTERFAZ = 0\r\n"
    "FAR_PLANE = 1\r\n"
    "GAMMA = 1\r\n"
    "GENERAL_QUALITY = 1\r\n"
    "VIOLENCE = 1\r\n"
    "DIFFICULTY = 1\r\n"
    "MUSICA = 1\r\n"
    "LOCUCIONES = 1\r\n"
    "SONIDO = 1\r\n"
    "FACTOR VELOCIDAD = 1\r\n"
    "IP_HOST = \"127.0.0.1\"\r\n";

}  // namespace

void AddSounds(DataSet* set) {
    std::string fx = "// Volume cut of each sound effect in hundredths of a decibel.\r\n";
    for (int i = 0; i < 300; ++i) {
        char name[48];
        std::snprintf(name, sizeof name, "Sonido\\Fx\\snd%03d.wav", i);
        set->Loose(name, Wav(Effect(i), 1));
        fx += std::to_string(i % 3 == 0 ? 0 : 100 * (i % 3)) + "\r\n";
    }
    set->Loose("ess_fx.cfg", std::vector<uint8_t>(fx.begin(), fx.end()));
    std::string sa = "// Second sound table.\r\n";
    for (int i = 0; i < 100; ++i) sa += std::to_string(100 + 10 * (i % 10)) + "\r\n";
    set->Loose("ess_sa.cfg", std::vector<uint8_t>(sa.begin(), sa.end()));
    for (int kind = 0; kind < 8; ++kind) {
        char name[48];
        std::snprintf(name, sizeof name, "Sonido\\Musica\\m%02d.wav", kind);
        set->Loose(name, Wav(Tune(kind), 2));
    }
    set->Loose("Sonido\\Musica\\Menu.wav", Wav(Tune(11), 2));
}

void AddSettings(DataSet* set) {
    const std::string ini = kIni;
    set->Loose("Brimvale.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
    // The player saves' folders must exist for profiles to be written.
    for (const char* folder : {"Orlins", "Voraks", "OrlinsMP", "VoraksMP", "GCO_Allies", "GCV_Allies", "CO", "CV",
                               "GCO_Enemies", "GCV_Enemies", "CAMPAIGNS"})
        set->Loose(std::string("Saves\\") + folder + "\\.keep", {});
}

}  // namespace demodata
