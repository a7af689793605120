#include "common/Result.h"
