#pragma once
// The playback commands of the facade: the animation played round on a
// timer, recorded keys, the music of movies and the movies themselves (each
// picture drawn offscreen through the viewer's snapshot and handed to the
// movie writer). It owns the current frame, the playback timer and the
// music file.
#include <string>
#include "facade/DrevonExport.h"

class SgDocument;

namespace drevon {

class CDrevon;

class DREVON_API Playback {
public:
    explicit Playback(CDrevon &facade);
    ~Playback();
    Playback(const Playback &) = delete;
    Playback &operator=(const Playback &) = delete;

    // Starts playing round, or stops a running playback.
    void Play(int button);
    bool IsPlaying() const { return m_timer != 0; }
    double GetCurrentFrame() const { return m_frame; }
    // A new document starts at frame 0.
    void Rewind() { m_frame = 0.0; }
    // One round of the playback timer.
    void Tick();
    // The timer's callback names the facade: stopped before it goes.
    void Stop();
    int SetAnimationRecord(const char *nodeName, const char *fieldName, double time, const char *value);
    void SetMusicFile(const char *path) { m_musicFile = path ? path : ""; }
    const std::string &GetMusicFile() const { return m_musicFile; }

    // Called after each frame with 0..100; 0 back stops the recording.
    using MovieProgress = int (*)(void *data, int position);
    // The whole animation into `name` in format 1..7 (AVI, 3GP, MPG, FLV, WMV,
    // MOV, GIF) at width x height (0: the view's size); a movie longer than the
    // animation holds its last picture. 1 when the file was written; 0 after
    // one message through the Notifier, with no file left behind.
    int CreateMovie(const char *name, int format, int width, int height, double animationLength,
                    int framesPerSecond, double movieLength);
    // What the movie dialog calls: as CreateMovie, over the part `clipRange`
    // (start, end in percent of the animation; null: all) at `quality`
    // (clamped to 0..100), reporting to `progress`, which can stop it (0,
    // the partial file removed, no message).
    int RecordMovie(SgDocument *document, const char *name, int format, int width, int height, double duration,
                    int framesPerSecond, double movieLength, const float *clipRange, int quality,
                    MovieProgress progress, void *data);
    // Pictures of an animation of `length` seconds at `framesPerSecond`: one
    // per whole frame interval and the last one.
    static int MovieFrameCount(double length, int framesPerSecond);

private:
    // Whether playing would move anything: recorded tracks or particles.
    bool HasSomethingToPlay();

    CDrevon &m_facade;
    double m_frame = 0.0;
    int m_timer = 0;
    std::string m_musicFile;
};

} // namespace drevon
