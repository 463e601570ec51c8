// The peer's side of the first-picture row: reads a scene, puts a camera that
// sees all of it and a headlight in front, draws one picture offscreen and
// writes it out. With a fifth argument N it then draws N more pictures of the
// unchanged scene and prints the median time of one, in milliseconds (the
// steady-frame row). Built by bench/compare_peers.py, never by the project's
// build.
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOffscreenRenderer.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 5 && argc != 6)
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
    if (argc == 6) {
        std::vector<double> frames;
        for (int i = std::atoi(argv[5]); i > 0; --i) {
            const auto start = std::chrono::steady_clock::now();
            renderer.render(root);
            frames.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        if (!frames.empty()) {
            std::nth_element(frames.begin(), frames.begin() + frames.size() / 2, frames.end());
            std::printf("%.3f\n", frames[frames.size() / 2]);
        }
    }
    root->unref();
    return written ? 0 : 1;
}
