#include "runner/Effect.h"
