#pragma once
// Reads a movie file back with the decoding libraries, for the tests of the
// movie writer and of the facade's movies: what a player would see.
#include <string>

namespace movieprobe {

struct MovieFacts {
    bool ok = false;
    std::string error;
    std::string container;
    std::string videoCodec;
    std::string audioCodec;
    int frames = 0;
    int width = 0;
    int height = 0;
    // From the first picture's time to the last one's, in seconds.
    double span = 0.0;
    // The container's start and length as a player reads them (-1 when it
    // tells none), and the video packets that came without a time of their own.
    double start = -1.0;
    double duration = -1.0;
    int unstamped = 0;
    // Mean absolute difference of the grey levels of the first and the last
    // picture (0..255).
    double firstToLast = 0.0;
};

MovieFacts ReadMovie(const std::string &path);

} // namespace movieprobe
