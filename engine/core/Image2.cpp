#include "engine/core/Image2.h"

#include <cstdlib>
#include <istream>
#include <mutex>
#include <unordered_map>

#include "platform/SgError.h"

namespace {

// Every pixel buffer that a holder owns, so that a raw pointer handed from one
// holder to another joins the existing share instead of becoming a second
// owner that would free the buffer twice.
class BufferRegistry {
public:
    std::shared_ptr<void> Adopt(void *data)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_buffers.find(data);
        if (found != m_buffers.end()) {
            if (std::shared_ptr<void> shared = found->second.lock())
                return shared;
        }
        std::shared_ptr<void> shared(data, [this](void *buffer) { Release(buffer); });
        m_buffers[data] = shared;
        return shared;
    }

private:
    void Release(void *buffer)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto found = m_buffers.find(buffer);
            if (found != m_buffers.end() && found->second.expired())
                m_buffers.erase(found);
        }
        std::free(buffer);
    }

    std::mutex m_mutex;
    std::unordered_map<void *, std::weak_ptr<void>> m_buffers;
};

BufferRegistry &Registry()
{
    // Never destroyed: holders with static storage may let their pixels go
    // after every other static is gone.
    static BufferRegistry *s_registry = new BufferRegistry();
    return *s_registry;
}

void CheckPair(int index, const char *what)
{
    if (index < 0 || index > 1)
        throw SgInvalidArgument(std::string("Image2: no ") + what + " " + std::to_string(index));
}

} // namespace

Image2::Image2()
    : Image2(0, 0, 1, UNSIGNED_BYTE, nullptr, nullptr)
{
}

Image2::Image2(int width, int height, int depth, DataType type, void *data, const char *path)
    : m_width(width), m_height(height), m_depth(depth), m_type(type), m_path(path ? path : "")
{
    SetData(data);
}

Image2 &Image2::operator=(const Image2 &other)
{
    m_width = other.m_width;
    m_height = other.m_height;
    m_depth = other.m_depth;
    m_type = other.m_type;
    m_data = other.m_data;
    m_path = other.m_path;
    m_bind = other.m_bind;
    return *this;
}

Image2::~Image2() = default;

void Image2::SetData(void *data)
{
    if (data == m_data.get())
        return;
    m_data = data ? Registry().Adopt(data) : nullptr;
}

void Image2::DeleteData()
{
    m_data.reset();
}

int Image2::GetExtra(int index) const
{
    CheckPair(index, "further int");
    return m_extra[index];
}

void Image2::SetExtra(int index, int value)
{
    CheckPair(index, "further int");
    m_extra[index] = value;
}

Color *Image2::GetColorTable(int table)
{
    CheckPair(table, "colour table");
    return m_colorTables[table];
}

const Color *Image2::GetColorTable(int table) const
{
    CheckPair(table, "colour table");
    return m_colorTables[table];
}

bool Image2::operator==(const Image2 &other) const
{
    return m_width == other.m_width && m_height == other.m_height && m_depth == other.m_depth &&
           m_type == other.m_type && GetData() == other.GetData() && m_path == other.m_path;
}

bool Image2::GetStringFromStream(std::istream &in, std::string &path)
{
    path.clear();
    in >> std::ws;
    if (in.peek() != '"') {
        in.setstate(std::ios::failbit);
        return false;
    }
    in.get();

    std::string text;
    for (;;) {
        int c = in.get();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::failbit);
            return false;
        }
        if (c == '"')
            break;
        if (text.size() == kMaxPathText) {
            in.setstate(std::ios::failbit);
            return false;
        }
        text.push_back(static_cast<char>(c));
    }
    path = std::move(text);
    return true;
}
