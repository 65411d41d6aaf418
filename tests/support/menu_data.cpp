// The menu's test data (declared with the other front-end builders).
#include "support/frontend_data.h"

#include <cstdio>
#include <vector>

#include "frontend/text_table.h"
#include "datakit/image_writer.h"
#include "datakit/scenario_files.h"
#include "support/temp_dir.h"

namespace testsupport {

using namespace datakit;

namespace {

const char* const kWidgetPictures[] = {
    "BotonDerOff", "BotonDerOn", "BotonIzqOff", "BotonIzqOn", "BarraDesplazamientoOn", "BarraDesplazamientoOff",
    "ManecillaBarraDesplazamiento", "Switchoff", "Switchon", "FlechaIzdaOff", "FlechaIzdaOn", "FlechaDchaOff",
    "FlechaDchaOn", "BotonMenuSinPulsar", "BotonMenuPulsado", "Parches", "VentanaConfirmacion", "FlechaArrOff",
    "FlechaArrOn", "FlechaAbjOff", "FlechaAbjOn", "LogoOrlinsOff", "LogoOrlinsOn", "LogoVoraksOff", "LogoVoraksOn",
    "fondo_per", "fondo_per_bi_des", "fondo_per_bi_act", "fondo_per_bd_des", "fondo_per_bd_act", "MarcoPerSel_ON",
    "MarcoPerSel_OFF", "FlechaAddTeamON", "FlechaAddTeamOFF", "RotaOn", "RotaOff", "RotaIzqOn", "RotaIzqOff",
    "RotaDerOn", "RotaDerOff", "AddOn", "AddOff", "SubtractOn", "SubtractOff", "KGame00On", "KGame01On",
    "KGame02On", "KGame03On", "KGame04On", "KGame05On", "KGame00Off", "KGame01Off", "KGame02Off", "KGame03Off",
    "KGame04Off", "KGame05Off", "Logo_on", "Logo_off",
};

// The texts the menu pages, the 3D buttons and the boxes name.
const std::pair<int, const char*> kTexts[] = {
    {500, "Jugar"}, {501, "Red"}, {502, "Opciones"}, {503, "Salir"}, {508, "Volver"}, {515, "Entrenamiento"},
    {516, "Partida"}, {517, "Equipo"}, {518, "Campa\xf1" "a"}, {519, "Cargar"}, {685, "Si"}, {686, "No"},
    {701, "Salir?"}, {752, "Llenar"}, {758, "Nuevo"},
};

std::string TextTableFile() {
    std::string out;
    char line[160];
    for (const auto& [id, text] : kTexts) {
        std::snprintf(line, sizeof line, "TXT%04d\"%s\";\n", id, text);
        out += line;
    }
    return out;
}

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

}  // namespace

uint32_t FrontEndColour(const std::string& name) {
    uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ uint8_t(c)) * 16777619u;
    // Each channel kept within 0x30..0xCF, away from black and white.
    const uint32_t r = 0x30 + (h & 0x9F), g = 0x30 + ((h >> 8) & 0x9F), b = 0x30 + ((h >> 16) & 0x9F);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

void WriteMenuPicture(const ScopedWorkDir& dir, const std::string& name, uint32_t width, uint32_t height) {
    const std::string folder = name.rfind("Menu", 0) == 0 ? "Texturas/Interfaz/Pantallas/" : "Texturas/Interfaz/Menu/";
    dir.Write(folder + name + ".tga", Bytes(TgaFile(SolidPicture(width, height, FrontEndColour(name)))));
}

void WriteFrontEndData(const ScopedWorkDir& dir, const FrontEndData& data) {
    dir.Write("textos.txt", TextTableFile());
    g_TextTable.Load("textos.txt");
    for (const char* name : kWidgetPictures) WriteMenuPicture(dir, name, data.pictureSize, data.pictureSize);
    char name[32];
    for (int page = 0; page <= 23; ++page) {
        std::snprintf(name, sizeof name, "Menu%02d", page);
        WriteMenuPicture(dir, name, data.pictureSize, data.pictureSize);
        for (int variant = 0; variant < 4; ++variant) {
            std::snprintf(name, sizeof name, "Menu%02d_%d", page, variant);
            WriteMenuPicture(dir, name, data.pictureSize, data.pictureSize);
        }
    }
    for (int full : {97, 98, 99}) {
        std::snprintf(name, sizeof name, "Menu%02d", full);
        WriteMenuPicture(dir, name, data.screenWidth, data.screenHeight);
    }
    WriteMenuPicture(dir, "barraloading", data.screenWidth, data.barHeight);
    for (const char* letters : {"Text3D", "Text3D_Disabled"})
        dir.Write(std::string("Texturas/Interfaz/Menu/") + letters + ".bmp",
                  Bytes(BmpFile(SolidPicture(8, 8, FrontEndColour(letters)))));
    if (data.cursorModel) dir.Write("Modelos/Interfaz/cursor.y3d", Bytes(NamedNodesFile({"Cursor"})));
    // A short silent piece; the menu plays it when the music option is on.
    std::string wav;
    auto put = [&wav](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += char((v >> (8 * i)) & 0xFF);
    };
    wav += "RIFF";
    put(36 + 8, 4);
    wav += "WAVEfmt ";
    put(16, 4);
    put(1, 2);        // PCM
    put(1, 2);        // mono
    put(22050, 4);
    put(44100, 4);
    put(2, 2);
    put(16, 2);
    wav += "data";
    put(8, 4);
    wav.append(8, '\0');
    dir.Write("Sonido/Musica/Menu.wav", wav);
}

}  // namespace testsupport
