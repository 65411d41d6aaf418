// The WAV readers on hand-made files: the four PCM layouts, chunk order and padding, and files
// that lie about their sizes or are cut short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio_test_util.h"
#include "core/debug_log.h"
#include "core/settings.h"
#include "shell/wav_file.h"
#include "support/temp_dir.h"

using namespace audiotest;

namespace {

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
    std::vector<uint8_t> ReadAll(WaveFile& w) {
        std::vector<uint8_t> out(w.Size() + 16, 0xEE);
        uint32_t got = 0;
        EXPECT_EQ(w.Read(uint32_t(out.size()), out.data(), &got), S_OK);
        out.resize(got);
        return out;
    }
};

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

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
    ASSERT_NE(w.format, nullptr);
    EXPECT_EQ(w.format->formatTag, 1);
    EXPECT_EQ(w.format->channels, 1);
    EXPECT_EQ(w.format->samplesPerSec, 22050u);
    EXPECT_EQ(w.format->avgBytesPerSec, 44100u);
    EXPECT_EQ(w.format->blockAlign, 2);
    EXPECT_EQ(w.format->bitsPerSample, 16);
    EXPECT_EQ(w.Size(), 4u);
    EXPECT_EQ(ReadAll(w), (std::vector<uint8_t>{0x01, 0x02, 0xFE, 0xFF}));
}

TEST_F(WavReaderTest, ReadsEachPcmLayout) {
    struct Case {
        uint16_t channels, bits;
    };
    for (Case c : {Case{1, 8}, Case{2, 8}, Case{1, 16}, Case{2, 16}}) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels, " << c.bits << " bits");
        std::string data;
        for (int i = 0; i < 40; ++i) data += char(i * 7 + c.channels + c.bits);
        dir.Write("Sonido/x.wav", Wav(c.channels, 11025, c.bits, data));
        WaveFile w;
        ASSERT_EQ(w.Open("sonido\\X.wav"), S_OK);
        EXPECT_EQ(w.format->channels, c.channels);
        EXPECT_EQ(w.format->bitsPerSample, c.bits);
        EXPECT_EQ(w.format->blockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(w.format->avgBytesPerSec, 11025u * c.channels * c.bits / 8);
        EXPECT_TRUE(audio::IsPlayableFormat(*w.format));
        EXPECT_EQ(ReadAll(w), Bytes(data));

        StreamWaveFile s;
        ASSERT_EQ(s.Open("sonido\\X.wav"), 0u);
        EXPECT_EQ(s.dataSize, 40u);
        EXPECT_EQ(s.blockAlign, uint32_t(c.channels * c.bits / 8));
        EXPECT_EQ(s.duration, 40u * 1000 / (11025u * c.channels * c.bits / 8));
    }
}

TEST_F(WavReaderTest, ReadingStopsAtTheDataAndResetStartsOver) {
    dir.Write("a.wav", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8)) + Chunk("data", "abcdef") + Chunk("junk", "zz")));
    WaveFile w;
    ASSERT_EQ(w.Open("a.wav"), S_OK);
    uint8_t buf[8] = {};
    uint32_t got = 0;
    ASSERT_EQ(w.Read(4, buf, &got), S_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 4), "abcd");
    ASSERT_EQ(w.Read(8, buf, &got), S_OK);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 2), "ef");
    ASSERT_EQ(w.Read(8, buf, &got), S_OK);
    EXPECT_EQ(got, 0u);
    ASSERT_EQ(w.Reset(), S_OK);
    ASSERT_EQ(w.Read(3, buf, &got), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 3), "abc");

    StreamWaveFile s;
    ASSERT_EQ(s.Open("a.wav"), 0u);
    EXPECT_EQ(s.Remaining(), 6u);
    ASSERT_EQ(s.Read(buf, 5, &got), 0u);
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(s.Remaining(), 1u);
    EXPECT_EQ(s.bytesRead, 5u);
    ASSERT_EQ(s.Read(buf, 5, &got), 0u);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(buf[0], 'f');
    ASSERT_EQ(s.Rewind(), 0u);
    EXPECT_EQ(s.Remaining(), 6u);
}

TEST_F(WavReaderTest, FindsChunksInAnyOrderAndSkipsPaddedOnes) {
    // An odd-sized chunk before "fmt " carries a pad byte; "data" comes first.
    std::string form = Chunk("data", "12345678") + Chunk("LIST", "odd") + Chunk("fmt ", FmtBody(1, 2, 8000, 16));
    dir.Write("b.wav", Riff(form));
    WaveFile w;
    ASSERT_EQ(w.Open("b.wav"), S_OK);
    EXPECT_EQ(w.format->channels, 2);
    EXPECT_EQ(ReadAll(w), Bytes("12345678"));
    // Bytes after the form are not the file's business.
    dir.Write("c.wav", Wav(1, 8000, 8, "xyz") + "trailing rubbish");
    ASSERT_EQ(w.Open("c.wav"), S_OK);
    EXPECT_EQ(ReadAll(w), Bytes("xyz"));
    EXPECT_EQ(Log().find("rechazado"), std::string::npos);
}

TEST_F(WavReaderTest, KeepsTheExtraBytesOfOtherFormats) {
    // 4-bit ADPCM: block 512, 11155 bytes a second, four extra bytes.
    std::string fmt = Le16(2) + Le16(1) + Le32(22050) + Le32(11155) + Le16(512) + Le16(4) + Le16(4) + "\x01\x02\x03\x04";
    dir.Write("adpcm.wav", Riff(Chunk("fmt ", fmt) + Chunk("data", "dddd")));
    WaveFile w;
    ASSERT_EQ(w.Open("adpcm.wav"), S_OK);
    EXPECT_EQ(w.format->formatTag, 2);
    EXPECT_EQ(w.extra, (std::vector<uint8_t>{1, 2, 3, 4}));
    // Read fine, but no sound buffer takes it.
    EXPECT_FALSE(audio::IsPlayableFormat(*w.format));
}

TEST_F(WavReaderTest, RefusesMalformedFilesWithALogLine) {
    const std::string fmt16 = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
    const std::string good = Wav(1, 8000, 16, "0123456789");
    struct Case {
        const char* what;
        std::string bytes;
        uint32_t streamError;
    };
    std::vector<Case> cases = {
        {"empty file", "", WAVE_ERR_CANNOTREAD},
        {"cut inside the RIFF header", std::string("RIFF\x10\0\0\0WAV", 11), WAVE_ERR_CANNOTREAD},
        {"not RIFF", "RIFX" + good.substr(4), WAVE_ERR_NOTWAVE},
        {"not WAVE", good.substr(0, 8) + "AVI " + good.substr(12), WAVE_ERR_NOTWAVE},
        {"RIFF size below its form type", "RIFF" + Le32(2) + "WAVE" + fmt16, WAVE_ERR_NOTWAVE},
        {"truncated in the data", good.substr(0, good.size() - 3), WAVE_ERR_CANNOTREAD},
        {"truncated in the fmt chunk", good.substr(0, 12 + 8 + 10), WAVE_ERR_CANNOTREAD},
        {"data size larger than the form", Riff(fmt16 + ChunkSized("data", 1000, "0123456789")),
         WAVE_ERR_CANNOTREAD},
        {"data size far past the end", Riff(fmt16 + ChunkSized("data", 0xFFFFFFF0u, "0123")), WAVE_ERR_CANNOTREAD},
        {"an earlier chunk runs past the end", Riff(ChunkSized("LIST", 5000, "ab") + fmt16), WAVE_ERR_CANNOTREAD},
        {"RIFF size cuts the data chunk off", "RIFF" + Le32(4 + 24 + 8 + 2) + "WAVE" + fmt16 + Chunk("data", "0123456789"),
         WAVE_ERR_CANNOTREAD},
        {"fmt chunk too short", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16).substr(0, 14)) + Chunk("data", "01")),
         WAVE_ERR_NOTWAVE},
        {"no fmt chunk", Riff(Chunk("data", "0123")), WAVE_ERR_NOTWAVE},
        {"no data chunk", Riff(fmt16 + Chunk("LIST", "info")), WAVE_ERR_NOTWAVE},
        {"extra size missing", Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4)) + Chunk("data", "01")), WAVE_ERR_NOTWAVE},
        {"extra bytes past the fmt chunk",
         Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4) + Le16(40) + "ab") + Chunk("data", "01")), WAVE_ERR_NOTWAVE},
        {"no channels", Riff(Chunk("fmt ", FmtBody(1, 0, 8000, 16)) + Chunk("data", "01")), WAVE_ERR_NOTWAVE},
        {"no byte rate",
         Riff(Chunk("fmt ", Le16(1) + Le16(1) + Le32(8000) + Le32(0) + Le16(2) + Le16(16)) + Chunk("data", "01")),
         WAVE_ERR_NOTWAVE},
        {"no block size",
         Riff(Chunk("fmt ", Le16(1) + Le16(1) + Le32(8000) + Le32(16000) + Le16(0) + Le16(16)) + Chunk("data", "01")),
         WAVE_ERR_NOTWAVE},
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
        EXPECT_NE(added.find("fichero WAV rechazado " + name), std::string::npos) << added;

        StreamWaveFile s;
        EXPECT_EQ(s.Open(name.c_str()), c.streamError);
        EXPECT_EQ(s.lastError, c.streamError);
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
