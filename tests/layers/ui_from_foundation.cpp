// Built only by the layer check: the bottom layer reaching up to a view must not compile.
#include "platform/ui/View.h"
