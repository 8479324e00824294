#include "tests/support/test_host.h"
