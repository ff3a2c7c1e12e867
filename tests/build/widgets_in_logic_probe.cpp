// Built only by the test below, as part of a logic library: it must not compile.
#include <QtWidgets/QWidget>

int probe()
{
    return 0;
}
