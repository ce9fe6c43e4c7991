// The shared area as ordinary process data, for the Linux test and benchmark builds.
#include "hooklib.h"

namespace yv {
SharedArea g_shared{};
}
