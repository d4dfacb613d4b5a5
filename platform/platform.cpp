// Implemented by the foundation work; placeholder so the library links.
#include "platform/platform.h"
