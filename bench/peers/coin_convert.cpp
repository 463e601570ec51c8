// The peer's side of the conversion row: reads a scene file and writes it
// back as text. Built by bench/compare_peers.py against the peer library,
// never by the project's build.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>
#include <Inventor/actions/SoWriteAction.h>
#include <Inventor/nodes/SoSeparator.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    SoDB::init();
    SoInput in;
    if (!in.openFile(argv[1]))
        return 1;
    SoSeparator *root = SoDB::readAll(&in);
    if (!root)
        return 1;
    root->ref();
    SoOutput out;
    if (!out.openFile(argv[2]))
        return 1;
    SoWriteAction writer(&out);
    writer.apply(root);
    out.closeFile();
    root->unref();
    return 0;
}
