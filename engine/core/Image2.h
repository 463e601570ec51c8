#pragma once
// The image value of texture fields: size, pixel format, the pixel buffer and
// the path of the image file. Copies share one pixel buffer; the buffer lives
// until the last holder that shares it lets it go, so no copy can be left
// with freed pixels.
#include <iosfwd>
#include <memory>
#include <string>

#include "utilities/math/Color.h"
#include "engine/core/NodaraExport.h"

class NODARA_API Image2 {
public:
    enum DataType : int { UNSIGNED_BYTE = 0, FLOAT = 1 };

    // The longest path GetStringFromStream accepts between its quotes.
    static constexpr size_t kMaxPathText = 774;
    static constexpr int kColorTableSize = 10;

    // The empty holder: width 0, height 0, one component, no pixels, no path.
    Image2();
    // Takes `data` over: it must come from the C heap (malloc), as the image
    // readers' buffers do, because the last holder frees it with free().
    Image2(int width, int height, int depth, DataType type, void *data, const char *path);
    // Copies every member; the pixels are shared, not copied.
    Image2(const Image2 &other) = default;
    // Copies size, depth, type, pixels (shared), path and bind value; the two
    // further ints and the colour tables stay this holder's own.
    Image2 &operator=(const Image2 &other);
    virtual ~Image2();

    int GetWidth() const { return m_width; }
    void SetWidth(int width) { m_width = width; }
    int GetHeight() const { return m_height; }
    void SetHeight(int height) { m_height = height; }
    int GetDepth() const { return m_depth; }
    void SetDepth(int depth) { m_depth = depth; }
    DataType GetType() const { return m_type; }
    void SetType(DataType type) { m_type = type; }
    int GetBind() const { return m_bind; }
    void SetBind(int bind) { m_bind = bind; }

    void *GetData() const { return m_data.get(); }
    // Takes `data` over as the constructor does. A buffer that another holder
    // already has is shared with it, so handing one holder's GetData() to
    // another is safe. Null leaves this holder without pixels.
    void SetData(void *data);
    // Lets this holder's share of the pixels go (the buffer is freed when no
    // other holder shares it) and leaves it without pixels.
    void DeleteData();

    std::string GetPath() const { return m_path; }
    void SetImagePath(const std::string &path) { m_path = path; }

    // The two further ints (index 0 or 1) and the two colour tables (table 0
    // or 1, kColorTableSize colours each), which the property nodes fill.
    // Any other index throws SgInvalidArgument.
    int GetExtra(int index) const;
    void SetExtra(int index, int value);
    Color *GetColorTable(int table);
    const Color *GetColorTable(int table) const;

    // Same size, depth, type, pixel buffer (by address) and path (exact case).
    bool operator==(const Image2 &other) const;
    bool operator!=(const Image2 &other) const { return !(*this == other); }

    // Reads a path written between double quotes: skips white space, then
    // takes everything up to the closing quote, as written (backslashes
    // included). Fails, setting the stream's failbit and leaving `path` empty,
    // when no quote opens the path, when the stream ends before the closing
    // quote, or when the path is longer than kMaxPathText characters.
    static bool GetStringFromStream(std::istream &in, std::string &path);

private:
    int m_width;
    int m_height;
    int m_depth;
    std::shared_ptr<void> m_data;
    DataType m_type;
    std::string m_path;
    int m_bind = -1;
    int m_extra[2] = {0, 0};
    Color m_colorTables[2][kColorTableSize];
};
