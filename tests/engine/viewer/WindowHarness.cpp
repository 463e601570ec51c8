#include "tests/engine/viewer/WindowHarness.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "platform/window/SgKeyState.h"
#include "platform/window/SgWindowMessages.h"

namespace windowtest {

std::ostream &operator<<(std::ostream &out, const Pixel &p)
{
    return out << "(" << p[0] << ", " << p[1] << ", " << p[2] << ")";
}

bool IsRed(const Pixel &p)
{
    return p[0] > 120 && p[1] < 60 && p[2] < 60;
}

namespace {
struct ButtonMessages {
    unsigned down;
    unsigned up;
    unsigned doubleClick;
    unsigned bit;
};

ButtonMessages MessagesOf(Button button)
{
    switch (button) {
    case Button::Right:
        return {SgWM::kRButtonDown, SgWM::kRButtonUp, SgWM::kRButtonDblClk, SgWM::kRightButtonBit};
    case Button::Middle:
        return {SgWM::kMButtonDown, SgWM::kMButtonUp, SgWM::kMButtonDblClk, SgWM::kMiddleButtonBit};
    case Button::Left:
        break;
    }
    return {SgWM::kLButtonDown, SgWM::kLButtonUp, SgWM::kLButtonDblClk, SgWM::kLeftButtonBit};
}
} // namespace

WindowHarness::WindowHarness(int width, int height)
{
    m_previousClock = SetClock(&m_clock);
    SgKeyState::ReleaseAll();
    SgTool::SetToolActive(false);
    m_window = std::make_unique<SgHeadlessWindow>(width, height);
    m_document = SgDocument::Create();
    m_document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
    m_viewer = m_document->CreateDefaultViewer(m_window.get(), nullptr);
}

WindowHarness::~WindowHarness()
{
    m_window->DestroyWindow();
    m_window.reset();
    SgDocument::Destroy(m_document);
    SgKeyState::ReleaseAll();
    SgTool::SetToolActive(false);
    SetClock(m_previousClock);
}

SgViewer *WindowHarness::Viewer() const
{
    return m_window->IsDestroyed() ? nullptr : m_viewer;
}

SgGLWindow *WindowHarness::GLWindow() const
{
    return Viewer() ? Viewer()->GetGLWindow() : nullptr;
}

SgViewport *WindowHarness::Viewport() const
{
    return Viewer() ? Viewer()->GetViewport(0) : nullptr;
}

SgObject *WindowHarness::AddCube(const Color &colour, double size, double depth)
{
    Viewport()->GetLightModel()->m_model.Set(0);
    auto *object = new SgObject(true, true);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetVals(1, &colour);
    object->AddPropertyNode(material, false);
    auto *cube = new SgCube;
    cube->m_width.Set(size);
    cube->m_height.Set(size);
    cube->m_depth.Set(depth > 0.0 ? depth : size);
    object->AddChild(cube);
    m_document->GetRoot()->AddChild(object);
    return object;
}

void WindowHarness::AddViewHandler(SgNode *handler)
{
    SgSeparator *root = Viewport()->GetNodara();
    if (root->GetNumChildren() > 0)
        root->AddChildBefore(handler, root->GetChild(0));
    else
        root->AddChild(handler);
}

int WindowHarness::Mouse(unsigned message, Vec2i at, unsigned keys)
{
    return m_window->Send(message, m_buttons | keys, SgWM::MakePoint(at.x, at.y));
}

int WindowHarness::Down(Button button, Vec2i at, unsigned keys)
{
    const ButtonMessages m = MessagesOf(button);
    m_buttons |= m.bit;
    return Mouse(m.down, at, keys);
}

int WindowHarness::Move(Vec2i at, unsigned keys)
{
    return Mouse(SgWM::kMouseMove, at, keys);
}

int WindowHarness::Up(Button button, Vec2i at, unsigned keys)
{
    const ButtonMessages m = MessagesOf(button);
    m_buttons &= ~m.bit;
    return Mouse(m.up, at, keys);
}

void WindowHarness::DoubleClick(Button button, Vec2i at)
{
    const ButtonMessages m = MessagesOf(button);
    Down(button, at);
    Up(button, at);
    m_buttons |= m.bit;
    Mouse(m.doubleClick, at, 0);
    Up(button, at);
}

void WindowHarness::Drag(Button button, Vec2i from, Vec2i to, int steps, unsigned keys)
{
    Down(button, from, keys);
    for (int i = 1; i <= steps; ++i) {
        const Vec2i at(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
        Move(at, keys);
    }
    Up(button, to, keys);
}

int WindowHarness::Wheel(int notches, Vec2i at)
{
    return m_window->Send(SgWM::kMouseWheel, SgWM::MakeWheelParam(notches * SgWM::kWheelDelta, m_buttons),
                          SgWM::MakePoint(at.x, at.y));
}

int WindowHarness::KeyDown(int virtualKey)
{
    SgKeyState::SetDown(virtualKey, true);
    return m_window->Send(SgWM::kKeyDown, static_cast<std::uintptr_t>(virtualKey), 0);
}

int WindowHarness::KeyUp(int virtualKey)
{
    SgKeyState::SetDown(virtualKey, false);
    return m_window->Send(SgWM::kKeyUp, static_cast<std::uintptr_t>(virtualKey), 0);
}

int WindowHarness::SysKeyDown(int virtualKey)
{
    SgKeyState::SetDown(virtualKey, true);
    if (virtualKey == SgVK::kMenu)
        SgKeyState::SetDown(SgVK::kLMenu, true);
    return m_window->Send(SgWM::kSysKeyDown, static_cast<std::uintptr_t>(virtualKey), 0);
}

int WindowHarness::SysKeyUp(int virtualKey)
{
    SgKeyState::SetDown(virtualKey, false);
    if (virtualKey == SgVK::kMenu)
        SgKeyState::SetDown(SgVK::kLMenu, false);
    return m_window->Send(SgWM::kSysKeyUp, static_cast<std::uintptr_t>(virtualKey), 0);
}

void WindowHarness::Advance(int milliseconds)
{
    const std::int64_t target = m_clock.Milliseconds() + milliseconds;
    std::int64_t due = 0;
    while (m_window->NextTimerDue(due) && due <= target) {
        if (due > m_clock.Milliseconds())
            m_clock.SetMilliseconds(due);
        m_window->RunTimers();
    }
    m_clock.SetMilliseconds(target);
}

void WindowHarness::Paint()
{
    GLWindow()->Invalidate();
}

void WindowHarness::Expose(int left, int top, int right, int bottom)
{
    m_window->Expose({left, top, right, bottom});
}

Pixel WindowHarness::At(int x, int y)
{
    OffscreenGLContext &context = m_window->GetOffscreenContext();
    const std::vector<unsigned char> &image = context.ReadFrontPixels();
    const int row = context.GetHeight() - 1 - y;
    const size_t at = (static_cast<size_t>(row) * context.GetWidth() + x) * 4;
    return {image[at], image[at + 1], image[at + 2]};
}

Vec2i WindowHarness::Project(const Vec3 &point)
{
    m_window->GetOffscreenContext().MakeCurrent();
    Viewport()->UpdateModelProjViewMatrix();
    GLdouble model[16];
    GLdouble projection[16];
    GLint view[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, view);
    GLdouble x = 0;
    GLdouble y = 0;
    GLdouble z = 0;
    gluProject(point[0], point[1], point[2], model, projection, view, &x, &y, &z);
    return Vec2i(static_cast<int>(x + 0.5), m_window->GetClientRect().Height() - 1 - static_cast<int>(y + 0.5));
}

bool WindowHarness::ToolActive() const
{
    return SgTool::IsToolActive();
}

int WindowHarness::RenderCount() const
{
    return GLWindow() ? GLWindow()->GetRenderCount() : 0;
}

int WindowHarness::SwapCount() const
{
    return GLWindow() ? GLWindow()->GetSwapCount() : 0;
}

bool WindowHarness::BackBuffer() const
{
    return GLWindow() && GLWindow()->HasBackBuffer();
}

} // namespace windowtest
