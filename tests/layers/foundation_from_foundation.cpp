// Built only by the layer check: the same layer's headers are there, so the probe itself works.
#include "platform/foundation/RunLoop.h"
