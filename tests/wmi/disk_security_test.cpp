#include <gtest/gtest.h>
#include "disk_security.h"
