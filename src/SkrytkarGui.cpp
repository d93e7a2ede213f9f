// The windowed program's main block. `skrytkar` starts it in its own place once a display has
// answered, with the same arguments, so the unattended run with a display happens here too.

#include "ui/windows/Application.h"
#include "ui/windows/ErrorReport.h"

int main(int argc, char** argv)
{
    // The application with its error report at the event boundary, the five windows and the
    // message loop.
    SkrytkarApplication app(argc, argv);
    return RunWindowedProgram(app);
}
