// The peer's side of the first-picture row: reads a scene, puts a camera that
// sees all of it and a headlight in front, draws one picture offscreen and
// writes it out. Built by bench/compare_peers.py, never by the project's build.
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOffscreenRenderer.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    SoDB::init();
    SoInput in;
    if (!in.openFile(argv[1]))
        return 1;
    SoSeparator *scene = SoDB::readAll(&in);
    if (!scene)
        return 1;
    auto *root = new SoSeparator;
    root->ref();
    auto *camera = new SoPerspectiveCamera;
    root->addChild(camera);
    root->addChild(new SoDirectionalLight);
    root->addChild(scene);
    const SbViewportRegion region(short(std::atoi(argv[3])), short(std::atoi(argv[4])));
    camera->viewAll(root, region);
    SoOffscreenRenderer renderer(region);
    if (!renderer.render(root))
        return 1;
    const bool written = renderer.writeToRGB(argv[2]);
    root->unref();
    return written ? 0 : 1;
}
