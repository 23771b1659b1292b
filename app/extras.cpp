#include "extras.h"

#include "form1.h"

namespace Extras {

void install(Form1 &window)
{
    Q_UNUSED(window);
}

} // namespace Extras
