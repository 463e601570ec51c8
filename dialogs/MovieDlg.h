#pragma once
// The movie dialog without the toolkit: size, clip range, duration, frame
// rate, format, quality and output file of a movie of the animation. Create
// hands them to the movie function the facade gives (Playback::RecordMovie),
// which calls back SetProgress after each frame; Abort makes the next call
// answer "stop".
//
//   MovieDlg dialog(document);
//   dialog.SetMovieFunction([&](const MovieDlg::Request &r) { return facade.GetPlayback().RecordMovie(...); });
//   dialog.SetProgressView([&](int position) { gauge->SetValue(position); pump own events; });
//   dialog.OnCreate();
#include <functional>
#include <string>

#include "dialogs/CCadDlg.h"
#include "dialogs/PallicoExport.h"

class PALLICO_API MovieDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2044;

    struct Format {
        const char *name;
        int value;
    };
    static constexpr int kFormatCount = 7;
    // "AVI" 1, "3GP" 2, "MPG" 3, "FLV" 4, "WMV" 5, "MOV" 6, "GIF" 7, in the
    // combo's order.
    static const Format kFormats[kFormatCount];
    static constexpr const char *kBrowseFilter =
        "AVI files (*.avi)|*.avi|MPEG Files (*.mpg)|*.mpg|3GP Files (*.3gp)|*.3gp|"
        "Movie Files (*.avi;*.mpg;*.flv;*.3gp)|*.avi;*.mpg;*.flv;*.3gp|All Files (*.*)|*.*||";

    using ProgressFn = int (*)(void *dialog, int position);
    // What Create passes, in the movie function's order.
    struct Request {
        SgDocument *document = nullptr;
        std::string file;
        int format = 1;
        int width = 0;
        int height = 0;
        double duration = 0.0;
        int framesPerSecond = 0;
        double movieLength = 0.0;
        float clipRange[2] = {0.0f, 100.0f};
        int quality = 100;
        ProgressFn progress = nullptr;
        void *data = nullptr;
    };
    using MovieFunction = std::function<int(const Request &)>;

    explicit MovieDlg(SgDocument *document, void *parent = nullptr);

    void SetMovieFunction(MovieFunction function) { m_movieFunction = std::move(function); }
    // What shows the progress and lets the dialog's own buttons work while
    // the movie is made (the wx view pumps only its own events).
    void SetProgressView(std::function<void(int position)> view) { m_progressView = std::move(view); }

    // The user's videos folder and "Movie.avi", or the name alone without one.
    static std::string DefaultFile();

    // The dialog's values (what the controls hold).
    int formatIndex = 0;
    float clipStart = 0.0f;
    int height = 200;
    int width = 300;
    float frameRate = 16.0f;
    float duration = 10.0f;
    float clipEnd = 100.0f;
    int quality = 100;
    std::string file;

    // The number boxes, in the dialog's order.
    enum class Box { kClipStart, kClipEnd, kWidth, kHeight, kFrameRate, kDuration, kQuality };
    static constexpr int kBoxCount = 7;
    // What the user typed in `box`, taken into its value: a number within
    // the box's range is kept, one outside it clamped (a size outside its
    // range is refused instead, as Create would refuse it); text that is no
    // number is refused. A refusal tells the user with a message naming the
    // box and its range, and the value stays. False when refused.
    bool TakeText(Box box, const std::string &text);
    // The box's value as it shows it.
    std::string BoxText(Box box) const;
    // The box's name in messages ("Width") and its range.
    static const char *BoxName(Box box);
    static void BoxRange(Box box, double &minimum, double &maximum);

    int GetFormatValue() const;
    int GetProgressPosition() const { return m_iProgress; }
    bool IsAbortRequested() const { return m_bAbort; }
    bool IsRecording() const { return m_bRecording; }
    // The request Create makes from the values.
    Request MakeRequest();

    // Create (2095): records through the movie function; its answer (1 when
    // the file was written), 0 without a function. A size below one pixel or
    // above the largest picture the drawing takes is refused first, with a
    // message naming the range, and nothing is recorded.
    int OnCreate();
    // The largest width or height of a movie's pictures.
    static int MaxSide();
    // The refusal's text for sizes of 1 .. MaxSide().
    static std::string SizeRangeMessage();
    // Abort (2102).
    void OnAbort() { m_bAbort = true; }
    // Browse ("...", 2100): a chosen file is taken and the format whose name
    // equals its extension (any letter case) is selected. False on cancel.
    bool OnBrowse();
    // The format named `extension` ("mpg", "GIF"), or false.
    bool SelectFormatByExtension(const std::string &extension);
    // Play Video (2103): the file to open with the user's player.
    std::string GetPlayFile() const { return file.empty() ? DefaultFile() : file; }

    // The progress function handed to the movie function.
    static int SetProgress(void *dialog, int position);

private:
    MovieFunction m_movieFunction;
    std::function<void(int)> m_progressView;
    int m_iProgress = 0;
    bool m_bAbort = false;
    bool m_bRecording = false;
};
