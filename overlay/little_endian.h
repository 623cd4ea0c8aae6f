#pragma once

// The engines read file fields with the same helpers as the platform's decoders.
#include "platform/little_endian.h"
