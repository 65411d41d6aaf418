// The WAV readers on hand-made files: the PCM layouts, plain and extensible, chunk order and
// padding, and files that lie about their sizes, are cut short or hold samples the mixer
// cannot play.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "audio_test_util.h"
#include "core/debug_log.h"
#include "core/settings.h"
#include "shell/wav_file.h"
#include "support/temp_dir.h"

using namespace audiotest;

namespace {

// The sub-format GUIDs of an extensible header, as stored.
const std::string kPcmGuid("\x01\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 16);
const std::string kFloatGuid("\x03\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 16);

std::string Extensible(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& guid) {
    return FmtBody(0xFFFE, channels, rate, bits) + Le16(22) + Le16(bits) + Le32(channels == 2 ? 3 : 4) + guid;
}

class WavReaderTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    void SetUp() override {
        g_Settings.Clear();
        g_Settings.debug = 1;
        ResetDebugLog();
        ASSERT_EQ(OpenDebugLog(), S_OK);
    }
    void TearDown() override {
        g_Settings.Clear();
        ResetDebugLog();
    }
    std::string Log() const { return dir.Read("debug.txt"); }
    static std::string ReadAll(WaveFile& w) {
        std::string out(w.Size() + 16, '\xEE');
        uint32_t got = 0;
        EXPECT_EQ(w.Read(uint32_t(out.size()), reinterpret_cast<uint8_t*>(out.data()), &got), S_OK);
        out.resize(got);
        return out;
    }
};

}  // namespace

// A canonical 44-byte header written out byte by byte: 16-bit mono at 22050 Hz, 4 data bytes.
TEST_F(WavReaderTest, ReadsAHandWrittenCanonicalHeader) {
    const unsigned char bytes[] = {
        'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E',              //
        'f', 'm', 't', ' ', 16, 0, 0, 0,                                  //
        1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0,      //
        'd', 'a', 't', 'a', 4, 0, 0, 0, 0x01, 0x02, 0xFE, 0xFF};
    dir.Write("canon.wav", std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes)));
    WaveFile w;
    ASSERT_EQ(w.Open("CANON.WAV"), S_OK);
    const audio::WaveFormat& f = *w.format;
    EXPECT_EQ(std::tie(f.formatTag, f.channels, f.samplesPerSec, f.avgBytesPerSec, f.blockAlign, f.bitsPerSample),
              std::make_tuple(1, 1, 22050u, 44100u, 2, 16));
    EXPECT_EQ(ReadAll(w), "\x01\x02\xFE\xFF");
}

TEST_F(WavReaderTest, ReadsEachPcmLayoutPlainOrExtensible) {
    for (bool extensible : {false, true}) {
        for (auto [channels, bits] : {std::pair<uint16_t, uint16_t>{1, 8}, {2, 8}, {1, 16}, {2, 16}}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << bits << " bits, extensible " << extensible);
            std::string data;
            for (int i = 0; i < 40; ++i) data += char(i * 7 + channels + bits);
            std::string fmt = extensible ? Extensible(channels, 11025, bits, kPcmGuid) : FmtBody(1, channels, 11025, bits);
            dir.Write("Sonido/x.wav", Riff(Chunk("fmt ", fmt) + Chunk("data", data)));
            WaveFile w;
            ASSERT_EQ(w.Open("sonido\\X.wav"), S_OK);
            EXPECT_EQ(w.format->formatTag, audio::WAVE_FORMAT_PCM);
            EXPECT_TRUE(audio::IsPlayableFormat(*w.format));
            EXPECT_EQ(ReadAll(w), data);

            StreamWaveFile s;
            ASSERT_EQ(s.Open("sonido\\X.wav"), 0u);
            EXPECT_EQ(s.duration, 40u * 1000 / (11025u * channels * bits / 8));
        }
    }
    EXPECT_EQ(Log().find("rechazado"), std::string::npos);
}

TEST_F(WavReaderTest, FindsChunksInAnyOrderAndSkipsPaddedOnes) {
    // An odd-sized chunk before "fmt " carries a pad byte; "data" comes first.
    dir.Write("b.wav", Riff(Chunk("data", "12345678") + Chunk("LIST", "odd") + Chunk("fmt ", FmtBody(1, 2, 8000, 16))));
    WaveFile w;
    ASSERT_EQ(w.Open("b.wav"), S_OK);
    EXPECT_EQ(w.format->channels, 2);
    EXPECT_EQ(ReadAll(w), "12345678");
    // Bytes after the form are not the file's business.
    dir.Write("c.wav", Wav(1, 8000, 8, "xyz") + "trailing rubbish");
    ASSERT_EQ(w.Open("c.wav"), S_OK);
    EXPECT_EQ(ReadAll(w), "xyz");
    EXPECT_EQ(Log().find("rechazado"), std::string::npos);
}

TEST_F(WavReaderTest, RefusesMalformedAndUnplayableFilesWithALogLine) {
    const std::string fmt16 = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
    const std::string good = Wav(1, 8000, 16, "0123456789");
    auto withFormat = [](const std::string& fmt) { return Riff(Chunk("fmt ", fmt) + Chunk("data", "0123")); };
    struct Case {
        const char* what;
        std::string bytes;
        uint32_t streamError;
    };
    const std::vector<Case> cases = {
        {"empty file", "", WAVE_ERR_CANNOTREAD},
        {"not WAVE", good.substr(0, 8) + "AVI " + good.substr(12), WAVE_ERR_NOTWAVE},
        {"RIFF size below its form type", "RIFF" + Le32(2) + "WAVE" + fmt16, WAVE_ERR_NOTWAVE},
        {"truncated in the data", good.substr(0, good.size() - 3), WAVE_ERR_CANNOTREAD},
        {"truncated in the fmt chunk", good.substr(0, 12 + 8 + 10), WAVE_ERR_CANNOTREAD},
        {"data size larger than the form", Riff(fmt16 + "data" + Le32(1000) + "0123456789"), WAVE_ERR_CANNOTREAD},
        {"data size far past the end", Riff(fmt16 + "data" + Le32(0xFFFFFFF0u) + "0123"), WAVE_ERR_CANNOTREAD},
        {"an earlier chunk runs past the end", Riff("LIST" + Le32(5000) + "ab" + fmt16), WAVE_ERR_CANNOTREAD},
        {"fmt chunk too short", withFormat(FmtBody(1, 1, 8000, 16).substr(0, 14)), WAVE_ERR_NOTWAVE},
        {"no fmt chunk", Riff(Chunk("data", "0123")), WAVE_ERR_NOTWAVE},
        {"no data chunk", Riff(fmt16 + Chunk("LIST", "info")), WAVE_ERR_NOTWAVE},
        {"extra size missing", withFormat(FmtBody(2, 1, 8000, 4)), WAVE_ERR_NOTWAVE},
        {"extra bytes past the fmt chunk", withFormat(FmtBody(2, 1, 8000, 4) + Le16(40) + "ab"), WAVE_ERR_NOTWAVE},
        {"no block size", withFormat(Le16(1) + Le16(1) + Le32(8000) + Le32(16000) + Le16(0) + Le16(16)), WAVE_ERR_NOTWAVE},
        // Well formed, but not 8- or 16-bit PCM of one or two channels.
        {"24-bit PCM", withFormat(FmtBody(1, 2, 8000, 24)), WAVE_ERR_NOTWAVE},
        {"float", withFormat(FmtBody(3, 1, 8000, 32) + Le16(0)), WAVE_ERR_NOTWAVE},
        {"extensible float", withFormat(Extensible(2, 8000, 32, kFloatGuid)), WAVE_ERR_NOTWAVE},
        {"three channels", withFormat(FmtBody(1, 3, 8000, 16)), WAVE_ERR_NOTWAVE},
        {"byte rate off", withFormat(Le16(1) + Le16(1) + Le32(8000) + Le32(8000) + Le16(2) + Le16(16)), WAVE_ERR_NOTWAVE},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = "bad" + std::to_string(n++) + ".wav";
        dir.Write(name, c.bytes);
        size_t before = Log().size();
        WaveFile w;
        EXPECT_EQ(w.Open(name.c_str()), E_FAIL);
        EXPECT_EQ(w.format, nullptr);
        uint32_t got = 7;
        uint8_t buf[4];
        EXPECT_EQ(w.Read(4, buf, &got), E_FAIL);
        EXPECT_EQ(got, 0u);
        std::string added = Log().substr(before);
        EXPECT_NE(added.find("ERROR: fichero WAV rechazado " + name + ": "), std::string::npos) << added;

        StreamWaveFile s;
        EXPECT_EQ(s.Open(name.c_str()), c.streamError);
        EXPECT_EQ(s.format, nullptr);
    }
}

TEST_F(WavReaderTest, AMissingFileFailsQuietly) {
    size_t before = Log().size();
    WaveFile w;
    EXPECT_EQ(w.Open("Sonido\\Fx\\snd999.wav"), E_FAIL);
    StreamWaveFile s;
    EXPECT_EQ(s.Open("Sonido\\Musica\\nada.wav"), WAVE_ERR_CANNOTOPEN);
    EXPECT_EQ(Log().size(), before);
}
