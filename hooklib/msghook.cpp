#include "hooklib.h"
