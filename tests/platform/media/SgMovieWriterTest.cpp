// The movie writer on its own: pictures and a music file in, a file that the
// decoding libraries read back; an unfinished or failed movie leaves nothing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

#include "platform/media/SgMovieWriter.h"
#include "tests/platform/media/MovieProbe.h"

namespace fs = std::filesystem;

namespace {

class Folder {
public:
    Folder()
    {
        std::string pattern = (fs::temp_directory_path() / "movie-writer-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~Folder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string File(const char *name) const { return (fs::path(m_path) / name).string(); }
    int Files() const
    {
        int count = 0;
        for (const auto &entry : fs::directory_iterator(m_path))
            count += entry.is_regular_file();
        return count;
    }

private:
    std::string m_path;
};

// One second of a 440 Hz tone, 16-bit mono at 22050 Hz, as a WAV file.
void WriteTone(const std::string &path)
{
    const int rate = 22050, samples = rate;
    std::vector<std::int16_t> pcm(samples);
    for (int i = 0; i < samples; ++i)
        pcm[i] = std::int16_t(8000 * ((i * 440 * 2 / rate) % 2 ? 1 : -1));
    auto u32 = [](std::ofstream &out, std::uint32_t v) { out.write(reinterpret_cast<const char *>(&v), 4); };
    auto u16 = [](std::ofstream &out, std::uint16_t v) { out.write(reinterpret_cast<const char *>(&v), 2); };
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    u32(out, 36 + samples * 2);
    out.write("WAVEfmt ", 8);
    u32(out, 16);
    u16(out, 1);
    u16(out, 1);
    u32(out, rate);
    u32(out, rate * 2);
    u16(out, 2);
    u16(out, 16);
    out.write("data", 4);
    u32(out, samples * 2);
    out.write(reinterpret_cast<const char *>(pcm.data()), samples * 2);
}

// A picture of one grey level, bottom row first.
std::vector<std::uint8_t> Grey(int width, int height, std::uint8_t level)
{
    return std::vector<std::uint8_t>(std::size_t(width) * 3 * height, level);
}

bool AddPictures(SgMovieWriter &writer, int count, int width, int height)
{
    for (int i = 0; i < count; ++i) {
        std::vector<std::uint8_t> pixels = Grey(width, height, std::uint8_t(20 + i * 10));
        SgMovieWriter::Frame frame{pixels.data(), width, height, width * 3, true};
        if (!writer.AddFrame(frame))
            return false;
    }
    return true;
}

} // namespace

TEST(SgMovieWriter, MusicBecomesTheAudioTrackOfEachFormatThatHasSound)
{
    Folder folder;
    const std::string tone = folder.File("tone.wav");
    WriteTone(tone);
    for (int format = SgMovieWriter::kAvi; format <= SgMovieWriter::kGif; ++format) {
        SCOPED_TRACE(SgMovieWriter::FormatName(format));
        const std::string path = folder.File((std::string("tone.") + SgMovieWriter::FormatExtension(format)).c_str());
        SgMovieWriter writer;
        SgMovieWriter::Settings settings;
        settings.format = format;
        settings.width = 32;
        settings.height = 32;
        settings.framesPerSecond = 10;
        settings.musicFile = tone;
        ASSERT_TRUE(writer.Open(path, settings)) << writer.GetError();
        ASSERT_TRUE(AddPictures(writer, 10, 32, 32)) << writer.GetError();
        ASSERT_TRUE(writer.Finish()) << writer.GetError();
        const movieprobe::MovieFacts facts = movieprobe::ReadMovie(path);
        EXPECT_EQ(facts.frames, 10) << facts.error;
        if (format == SgMovieWriter::kGif)
            EXPECT_EQ(facts.audioCodec, "");
        else
            EXPECT_NE(facts.audioCodec, "") << "no sound in the movie";
    }
}

// Eleven pictures at ten a second last 1.1 s in every container, each
// picture with its time: what a player shows as the movie's length. A movie
// starts at 0; an MPEG program stream one frame interval later, the time its
// decoder holds the first picture.
TEST(SgMovieWriter, ElevenPicturesAtTenASecondLastOnePointOneSecondsInEveryFormat)
{
    Folder folder;
    for (int format = SgMovieWriter::kAvi; format <= SgMovieWriter::kGif; ++format) {
        SCOPED_TRACE(SgMovieWriter::FormatName(format));
        const std::string path = folder.File((std::string("eleven.") + SgMovieWriter::FormatExtension(format)).c_str());
        SgMovieWriter writer;
        SgMovieWriter::Settings settings;
        settings.format = format;
        settings.width = 64;
        settings.height = 48;
        settings.framesPerSecond = 10;
        ASSERT_TRUE(writer.Open(path, settings)) << writer.GetError();
        ASSERT_TRUE(AddPictures(writer, 11, 64, 48)) << writer.GetError();
        ASSERT_TRUE(writer.Finish()) << writer.GetError();
        const movieprobe::MovieFacts facts = movieprobe::ReadMovie(path);
        ASSERT_TRUE(facts.ok) << facts.error;
        EXPECT_EQ(facts.frames, 11);
        EXPECT_NEAR(facts.duration, 1.1, 0.011);
        EXPECT_NEAR(facts.start, format == SgMovieWriter::kMpg ? 0.1 : 0.0, 0.011);
        EXPECT_EQ(facts.unstamped, 0);
    }
}

TEST(SgMovieWriter, UnfinishedOrFailedMoviesLeaveNothing)
{
    Folder folder;
    const std::string path = folder.File("gone.avi");
    {
        SgMovieWriter writer;
        SgMovieWriter::Settings settings;
        ASSERT_TRUE(writer.Open(path, settings));
        ASSERT_TRUE(AddPictures(writer, 2, 300, 200));
        EXPECT_EQ(folder.Files(), 1) << "the private file while writing";
    }
    EXPECT_EQ(folder.Files(), 0) << "a writer destroyed unfinished removes its file";

    SgMovieWriter writer;
    SgMovieWriter::Settings settings;
    ASSERT_TRUE(writer.Open(path, settings));
    EXPECT_FALSE(writer.Finish()) << "a movie without pictures";
    EXPECT_NE(writer.GetError(), "");
    EXPECT_FALSE(writer.AddFrame(SgMovieWriter::Frame{}));
    EXPECT_EQ(folder.Files(), 0);

    settings.quality = 150;
    settings.musicFile = folder.File("no-such.wav");
    EXPECT_FALSE(writer.Open(path, settings));
    EXPECT_NE(writer.GetError().find("music"), std::string::npos) << writer.GetError();
    EXPECT_EQ(folder.Files(), 0);
}

namespace {

bool MovieEncoderMapped()
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("/libfennix_media.so") != std::string::npos)
            return true;
    return false;
}

} // namespace

// The encoding libraries come with the encoder module, which the writer loads
// when the first movie opens: a program that never writes one never maps them.
// The names and sizes of the formats need no module.
TEST(SgMovieWriter, TheEncoderIsLoadedWhenTheFirstMovieOpens)
{
    if (MovieEncoderMapped())
        GTEST_SKIP() << "another test of this process opened a movie first";
    int width = 0, height = 0;
    SgMovieWriter::FrameSize(SgMovieWriter::k3gp, 300, 200, width, height);
    EXPECT_EQ(width * 1000 + height, 176144);
    SgMovieWriter::FrameSize(SgMovieWriter::kAvi, 301, 200, width, height);
    EXPECT_EQ(width * 1000 + height, 302200);
    EXPECT_STREQ(SgMovieWriter::FormatName(SgMovieWriter::kMov), "MOV");
    EXPECT_STREQ(SgMovieWriter::FormatExtension(SgMovieWriter::kMpg), "mpg");
    EXPECT_EQ(SgMovieWriter::FormatName(SgMovieWriter::kGif + 1), nullptr);
    SgMovieWriter unopened;
    EXPECT_FALSE(unopened.AddFrame({}));
    EXPECT_EQ(unopened.GetError(), "The movie is not open");
    EXPECT_FALSE(MovieEncoderMapped());

    Folder folder;
    SgMovieWriter writer;
    SgMovieWriter::Settings settings;
    settings.format = SgMovieWriter::kGif;
    settings.width = 16;
    settings.height = 16;
    ASSERT_TRUE(writer.Open(folder.File("first.gif"), settings)) << writer.GetError();
    EXPECT_TRUE(MovieEncoderMapped());
    EXPECT_EQ(writer.GetVideoCodecName(), "gif");
    ASSERT_TRUE(AddPictures(writer, 2, 16, 16)) << writer.GetError();
    EXPECT_EQ(writer.GetFrameCount(), 2);
    EXPECT_TRUE(writer.Finish()) << writer.GetError();
    EXPECT_EQ(folder.Files(), 1);
}
