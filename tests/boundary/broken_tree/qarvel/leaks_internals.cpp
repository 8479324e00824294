#include "engine/voice.h"
